#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace brelix {

class CDrawTools;

// The logic of the "Color Scale" dialog, which the dialog's widgets show and call: the six colour-scale
// settings of a batch's drawing tools, the two "Enable" boxes that act as a pair, which edits are
// read-only, and the checks of "OK".
class CColorScaleForm {
  public:
    enum EField { IntensityStart, StepFactor, WavelengthStart, WavelengthStop, FieldCount };

    // A field "OK" refused, with the message to show; the dialog stays open on that field.
    struct CRefusal {
        EField field;
        std::string message;
    };

    // Holds the tools' six values; the edits show them.
    explicit CColorScaleForm(const CDrawTools& tools);

    const std::string& Text(EField field) const { return texts_[field]; }
    // What the user typed into an edit.
    void SetText(EField field, std::string text) { texts_[field] = std::move(text); }
    // By intensity the wavelength edits are read-only; else by wavelength the intensity edits; with
    // neither box checked, none.
    bool IsReadOnly(EField field) const;
    bool IntensityChecked() const { return byIntensity_ != 0; }
    bool WavelengthChecked() const { return byWavelength_ != 0; }

    // A click on either box checks it and clears the other, whatever their state, then writes the held
    // values back into the four edits: what was typed since the dialog opened is replaced.
    void ClickIntensityEnable();
    void ClickWavelengthEnable();

    // "OK": reads every edit in order, refusing the first that is not a number or lies outside its range
    // (intensity start 0 to 1000000, step factor 0.1 to 1); when all are good, copies the six values into
    // `tools` (the command then marks the document modified).
    std::optional<CRefusal> Accept(CDrawTools& tools) const;

  private:
    void WriteBack();

    std::array<double, FieldCount> held_;
    std::array<std::string, FieldCount> texts_;
    int32_t byIntensity_;
    int32_t byWavelength_;
};

}  // namespace brelix
