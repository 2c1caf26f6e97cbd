#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "edit/dialog_fields.h"

namespace brelix {

class CLayer;
class CModel;
class CPlane;
class IMessages;

// A layer or plane as the pages' lists name it: its name, or "Layer %d" / "Plane %d" with its position
// from 0 when the name is empty.
std::string LayerListText(const CLayer& layer, uint32_t position);
std::string PlaneListText(const CPlane& plane, uint32_t position);

// The logic of the "Linear" page of "Layer Optical Models/Properties". The layer's kind (constant or
// wavelength-dependent properties) is changed at once by the "Enable" boxes, and its table at once by the
// load buttons; the other fields are stored by "OK", which stores what it read even when a later field is
// refused.
class CLayerPageForm {
  public:
    enum EField { Name, FileName, Scattering, Absorption, RefractiveIndex, PointCount, FieldCount };

    explicit CLayerPageForm(CLayer& layer);

    const std::string& Text(EField field) const { return texts_[field]; }
    void SetText(EField field, std::string text) { texts_[field] = std::move(text); }
    // "Path Length" as its box shows it.
    bool PathLength() const { return pathLengthBox_; }
    void SetPathLength(bool checked) { pathLengthBox_ = checked; }
    bool ConstantChecked() const;
    bool WavelengthChecked() const;
    bool IsReadOnly(EField field) const;

    // The "Enable" boxes set the layer's kind at once and show the held values again (text typed since the
    // last read is replaced).
    void ClickConstantEnable();
    void ClickWavelengthEnable();
    // A load button (format 0 "W N A S", 1 "W N K S", 2 "W N K"): read the fields, name the layer's data
    // file, read it, and show the layer's new number of points.
    std::optional<CFieldRefusal> Load(int format, IMessages& messages);
    // "OK": read the fields and store the name, data file name, path length and the constants (the
    // extinction coefficient 0). The store comes before the check, so a refusal keeps the dialog open with
    // the fields before the bad one stored.
    std::optional<CFieldRefusal> Accept();

    bool RecordChanged() const { return recordChanged_; }

  private:
    std::optional<CFieldRefusal> Read();
    void Show();

    CLayer& layer_;
    std::array<std::string, FieldCount> texts_;
    std::string name_, fileName_;
    std::array<double, FieldCount> numbers_{};
    bool pathLength_;
    bool pathLengthBox_;
    bool recordChanged_ = false;
};

// The logic of the "Linear" page of "Plane Optical Models/Properties". Only "Load: "W R" Format" (the
// table) and "Edges" (the geometry) change the plane before "OK"; "OK" stores nothing when a field is
// refused.
class CPlanePageForm {
  public:
    enum EField { Name, FileName, Reflectance, NDielectric, TDielectric, PointCount, FieldCount };
    // The "Plane Type" entries; a plane's type is its entry's position.
    static const std::vector<std::string>& TypeEntries();

    CPlanePageForm(CPlane& plane, const CLayer& layer, const CModel& model);

    const std::string& Text(EField field) const { return texts_[field]; }
    void SetText(EField field, std::string text) { texts_[field] = std::move(text); }
    bool ConstantChecked() const { return constantBox_; }
    bool WavelengthChecked() const { return wavelengthBox_; }
    bool IsReadOnly(EField field) const;

    int TypeSelection() const { return type_; }
    // The type rule: the label beside the target lists and which list shows.
    void SelectType(int index);
    const std::string& TransmitLabel() const { return label_; }
    bool ShowsLayerList() const { return showLayers_; }
    bool ShowsPlaneList() const { return showPlanes_; }
    // The model's layers and the owning layer's planes, and the selections (-1 none) of `LyrTransmit` and
    // `PlnTransmit`.
    const std::vector<std::string>& LayerList() const { return layers_; }
    const std::vector<std::string>& PlaneList() const { return planes_; }
    int LayerSelection() const { return layer_; }
    int PlaneSelection() const { return plane_; }
    void SelectLayer(int index) {
        layer_ = index >= 0 && index < static_cast<int>(layers_.size()) ? index : -1;
    }
    void SelectPlane(int index) {
        plane_ = index >= 0 && index < static_cast<int>(planes_.size()) ? index : -1;
    }

    // The "Enable" boxes: read the fields, check the clicked box and clear the other; the plane's kind
    // follows on "OK".
    std::optional<CFieldRefusal> ClickConstantEnable();
    std::optional<CFieldRefusal> ClickWavelengthEnable();
    // "Load: "W R" Format": read the fields, name the plane's data file, read it, show its points.
    std::optional<CFieldRefusal> LoadReflectance(IMessages& messages);
    // "Edges": the fields are read, and the edge dialog opens with the name as read; the name it gives
    // back, after OK or Cancel, is the page's.
    std::optional<CFieldRefusal> BeginEdges();
    const std::string& HeldName() const { return name_; }
    void EndEdges(std::string name, bool planeChanged);
    // "OK": read the fields; with all good, store the name, the selected type and targets (a list without
    // selection keeps the stored value), the kind of the checked box, and the three constants.
    std::optional<CFieldRefusal> Accept();

    bool RecordChanged() const { return recordChanged_; }

  private:
    std::optional<CFieldRefusal> Read();
    void Show();

    CPlane& planeRecord_;
    std::array<std::string, FieldCount> texts_;
    std::string name_, fileName_;
    std::array<double, FieldCount> numbers_{};
    bool constantBox_;
    bool wavelengthBox_;
    int type_ = -1;
    std::string label_;
    bool showLayers_ = false;
    bool showPlanes_ = false;
    std::vector<std::string> layers_, planes_;
    int layer_ = -1;
    int plane_ = -1;
    bool recordChanged_ = false;
};

}  // namespace brelix
