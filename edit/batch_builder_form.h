#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/batch.h"
#include "edit/dialog_fields.h"

namespace brelix {

class IMessages;

// The logic of the "Batch Builder" dialog, which its widgets show and call. It holds one value per field,
// taken from the batch on opening; a read takes the field texts in a fixed order and stops at the first
// bad one (those before it are taken, the rest keep their values); a show writes the values back into
// the texts. Only "OK" writes the batch, except "Load Data", which stores the spectrum file name and the
// table it reads at once.
class CBatchBuilderForm {
  public:
    enum EField {
        Name,
        MinIntensity,
        InterfaceDivides,
        SubdividePosition,
        SubdivideTheta,
        SubdivideXi,
        SubdivideScatter,
        ConstantIntensity,
        SpectrumFile,
        PointCount,  // "# of Points:", shown only
        WavelengthStart,
        WavelengthStop,
        WavelengthStep,
        XStart,
        XStop,
        XStep,
        YStart,
        YStop,
        YStep,
        ZStart,
        ZStop,
        ZStep,
        AzimuthStart,
        AzimuthStop,
        AzimuthStep,
        DeclinationStart,
        DeclinationStop,
        DeclinationStep,
        FieldCount
    };
    // The six sweeps, in the order their "Plot:" lists are filled.
    enum ESweep { Wavelength, X, Y, Z, Azimuth, Declination, SweepCount };
    static EField StartField(ESweep sweep) { return static_cast<EField>(WavelengthStart + 3 * sweep); }
    static EField StopField(ESweep sweep) { return static_cast<EField>(WavelengthStop + 3 * sweep); }
    static EField StepField(ESweep sweep) { return static_cast<EField>(WavelengthStep + 3 * sweep); }

    // A "Plot:" list shows at most this many values, so that a tiny step, or one too small to move the
    // value on, cannot hold the dialog up.
    static constexpr uint64_t kPlotListLimit = 1000;

    explicit CBatchBuilderForm(CBatch& batch);

    const std::string& Text(EField field) const { return texts_[field]; }
    void SetText(EField field, std::string text) { texts_[field] = std::move(text); }
    bool IsReadOnly(EField field) const;
    bool ConstantSpectrum() const { return constantSpectrum_ != 0; }
    bool FileSpectrum() const { return fileSpectrum_ != 0; }
    bool UseSpectrumFile() const { return useSpectrumFile_ != 0; }

    // A sweep's "Plot:" list ("%2.2f" texts) and its selection (-1 for none), as filled on opening.
    const std::vector<std::string>& PlotList(ESweep sweep) const { return plots_[sweep].entries; }
    int PlotSelection(ESweep sweep) const { return plots_[sweep].selected; }
    // The sweep has more values than its list shows.
    bool PlotListCut(ESweep sweep) const { return plots_[sweep].cut; }

    // The paired "Enable" boxes: read the fields, check the clicked box and clear the other, then show
    // the values. A refusal is for the dialog to show; the click's work is done all the same.
    std::optional<CFieldRefusal> ClickConstantEnable();
    std::optional<CFieldRefusal> ClickFileEnable();
    // "Use Spectrum File" now shows `checked`: read the fields; the box stays clear while the batch's
    // spectrum holds no point.
    std::optional<CFieldRefusal> ClickUseSpectrumFile(bool checked);
    // "Load Data": read the fields, store the file name into the batch, and with "File Spectrum" enabled
    // read the file (the reader says what went wrong or how many points it read).
    std::optional<CFieldRefusal> LoadData(IMessages& messages);
    // "OK": read the fields; when all are good, write them into the batch with each sweep's plot value
    // (the list's position chosen on opening times the new Step, plus the new Start; -1 with no
    // selection). On a refusal the batch is left as it was.
    std::optional<CFieldRefusal> Accept();

    // The dialog wrote into the batch before "OK": a Cancel must still mark the document modified.
    bool RecordChanged() const { return recordChanged_; }

  private:
    struct CPlotList {
        std::vector<std::string> entries;
        int selected = -1;
        bool cut = false;
    };
    std::optional<CFieldRefusal> Read();
    void Show();
    CSweep Sweep(ESweep sweep) const;

    CBatch& batch_;
    std::array<std::string, FieldCount> texts_;
    std::array<double, FieldCount> numbers_{};  // the numeric fields' values
    std::string name_;
    std::string spectrumFile_;
    int32_t constantSpectrum_;
    int32_t fileSpectrum_;
    int32_t useSpectrumFile_;
    std::array<CPlotList, SweepCount> plots_;
    bool recordChanged_ = false;
};

}  // namespace brelix
