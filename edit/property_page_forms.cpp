#include "edit/property_page_forms.h"

#include "core/format.h"
#include "core/model.h"
#include "document/data_readers.h"

namespace brelix {

std::string LayerListText(const CLayer& layer, uint32_t position) {
    return layer.name.empty() ? "Layer " + FormatInt(position) : layer.name;
}

std::string PlaneListText(const CPlane& plane, uint32_t position) {
    return plane.name.empty() ? "Plane " + FormatInt(position) : plane.name;
}

// ---- Layer page

namespace {

using L = CLayerPageForm;
using P = CPlanePageForm;

// Both pages read their fields in the order they fill them; the point count is shown, never read.
constexpr L::EField kLayerOrder[] = {L::Name, L::FileName, L::Scattering, L::Absorption, L::RefractiveIndex};
constexpr P::EField kPlaneOrder[] = {P::Name, P::FileName, P::Reflectance, P::NDielectric, P::TDielectric};

}  // namespace

CLayerPageForm::CLayerPageForm(CLayer& layer)
    : layer_(layer),
      name_(layer.GetName()),
      fileName_(layer.GetFileName(LayerTable)),
      pathLength_(layer.GetPathLength() != 0),
      pathLengthBox_(pathLength_) {
    numbers_[Scattering] = layer.GetScattering(0);
    numbers_[Absorption] = layer.GetAbsorption(0);
    numbers_[RefractiveIndex] = layer.GetRefractiveIndex(0);
    numbers_[PointCount] = layer.GetPointCount(LayerTable);
    Show();
}

bool CLayerPageForm::ConstantChecked() const {
    return layer_.GetMode() == LayerConstant;
}
bool CLayerPageForm::WavelengthChecked() const {
    return layer_.GetMode() == LayerTable;
}

bool CLayerPageForm::IsReadOnly(EField field) const {
    switch (field) {
        case Name:
            return false;
        case FileName:
            return !WavelengthChecked();
        case PointCount:
            return true;
        default:
            return !ConstantChecked();
    }
}

std::optional<CFieldRefusal> CLayerPageForm::Read() {
    for (EField field : kLayerOrder) {
        if (field == Name || field == FileName) {
            (field == Name ? name_ : fileName_) = texts_[field];
            continue;
        }
        const std::optional<double> value = ParseFieldNumber(texts_[field]);
        if (!value) return CFieldRefusal{field, NumberMessage()};
        numbers_[field] = *value;
    }
    pathLength_ = pathLengthBox_;
    return std::nullopt;
}

void CLayerPageForm::Show() {
    texts_[Name] = name_;
    texts_[FileName] = fileName_;
    for (EField field : {Scattering, Absorption, RefractiveIndex}) texts_[field] = FieldText(numbers_[field]);
    texts_[PointCount] = FormatInt(static_cast<int64_t>(numbers_[PointCount]));
    pathLengthBox_ = pathLength_;
}

void CLayerPageForm::ClickConstantEnable() {
    recordChanged_ |= layer_.GetMode() != LayerConstant;
    layer_.SetMode(LayerConstant);
    Show();
}

void CLayerPageForm::ClickWavelengthEnable() {
    recordChanged_ |= layer_.GetMode() != LayerTable;
    layer_.SetMode(LayerTable);
    Show();
}

std::optional<CFieldRefusal> CLayerPageForm::Load(int format, IMessages& messages) {
    std::optional<CFieldRefusal> refusal = Read();
    layer_.SetFileName(fileName_, LayerTable);
    LoadDataFile(layer_, format, messages);
    recordChanged_ = true;
    numbers_[PointCount] = layer_.GetPointCount(LayerTable);
    Show();
    return refusal;
}

std::optional<CFieldRefusal> CLayerPageForm::Accept() {
    std::optional<CFieldRefusal> refusal = Read();
    layer_.SetName(name_);
    layer_.SetFileName(fileName_, LayerTable);
    layer_.SetPathLength(pathLength_ ? 1 : 0);
    layer_.SetConstants(numbers_[RefractiveIndex], numbers_[Absorption], 0, numbers_[Scattering]);
    if (refusal) recordChanged_ = true;  // stored all the same: a Cancel after it keeps what was stored
    return refusal;
}

// ---- Plane page

namespace {

struct CTypeRule {
    const char* label;
    bool layers;
    bool planes;
};

// Per "Plane Type" entry: the label beside the lists, and the list that shows.
constexpr CTypeRule kTypeRules[] = {
    {"Transmit into Layer?", true, false},
    {"Transmit into Layer?", true, false},
    {"Transmit into Layer?", true, false},
    {"", false, false},
    {"", false, false},
    {"Transmit onto Plane?", false, true},
    {"Transmit onto Plane?", false, true},
    {"", false, false},
    {"Transmit into Layer?", true, false},
    {"Transmit into Layer?", true, false},
};

}  // namespace

const std::vector<std::string>& CPlanePageForm::TypeEntries() {
    static const std::vector<std::string> entries = [] {
        std::vector<std::string> list;
        for (uint32_t type = PlanarBare; type <= RandomiseTailTransmitSubdivide; ++type)
            list.push_back(PlaneTypeLabel(type));
        return list;
    }();
    return entries;
}

CPlanePageForm::CPlanePageForm(CPlane& plane, const CLayer& layer, const CModel& model)
    : planeRecord_(plane),
      name_(plane.GetName()),
      fileName_(plane.GetFileName()),
      constantBox_(plane.GetPlaneMode() == PlaneConstant),
      wavelengthBox_(plane.GetPlaneMode() == PlaneTable) {
    numbers_[Reflectance] = plane.GetConstReflectance();
    numbers_[NDielectric] = plane.GetConstDielectricIndex();
    numbers_[TDielectric] = plane.GetConstDielectricThickness();
    numbers_[PointCount] = plane.GetPointCount();
    for (uint32_t k = 0; k < layer.GetCount(); ++k) planes_.push_back(PlaneListText(layer[k], k));
    for (uint32_t j = 0; j < model.GetCount(); ++j) layers_.push_back(LayerListText(model[j], j));
    SelectPlane(plane.PlnTransmit);
    SelectLayer(plane.LyrTransmit);
    SelectType(plane.planeType < TypeEntries().size() ? static_cast<int>(plane.planeType) : -1);
    Show();
}

void CPlanePageForm::SelectType(int index) {
    if (index < 0 || index >= static_cast<int>(TypeEntries().size()))
        return;  // no selection: nothing changes
    type_ = index;
    label_ = kTypeRules[index].label;
    showLayers_ = kTypeRules[index].layers;
    showPlanes_ = kTypeRules[index].planes;
}

bool CPlanePageForm::IsReadOnly(EField field) const {
    switch (field) {
        case Name:
            return false;
        case PointCount:
            return true;
        case FileName:
            return constantBox_;
        // With neither box checked, every field stays editable.
        default:
            return !constantBox_ && wavelengthBox_;
    }
}

std::optional<CFieldRefusal> CPlanePageForm::Read() {
    for (EField field : kPlaneOrder) {
        if (field == Name || field == FileName) {
            (field == Name ? name_ : fileName_) = texts_[field];
            continue;
        }
        const std::optional<double> value = ParseFieldNumber(texts_[field]);
        if (!value) return CFieldRefusal{field, NumberMessage()};
        numbers_[field] = *value;
    }
    return std::nullopt;
}

void CPlanePageForm::Show() {
    texts_[Name] = name_;
    texts_[FileName] = fileName_;
    for (EField field : {Reflectance, NDielectric, TDielectric}) texts_[field] = FieldText(numbers_[field]);
    texts_[PointCount] = FormatInt(static_cast<int64_t>(numbers_[PointCount]));
}

std::optional<CFieldRefusal> CPlanePageForm::ClickConstantEnable() {
    std::optional<CFieldRefusal> refusal = Read();
    constantBox_ = true;
    wavelengthBox_ = false;
    Show();
    return refusal;
}

std::optional<CFieldRefusal> CPlanePageForm::ClickWavelengthEnable() {
    std::optional<CFieldRefusal> refusal = Read();
    constantBox_ = false;
    wavelengthBox_ = true;
    Show();
    return refusal;
}

std::optional<CFieldRefusal> CPlanePageForm::LoadReflectance(IMessages& messages) {
    std::optional<CFieldRefusal> refusal = Read();
    planeRecord_.SetFileName(fileName_);
    LoadDataFile(planeRecord_, messages);
    recordChanged_ = true;
    numbers_[PointCount] = planeRecord_.GetPointCount();
    Show();
    return refusal;
}

std::optional<CFieldRefusal> CPlanePageForm::BeginEdges() {
    return Read();
}

void CPlanePageForm::EndEdges(std::string name, bool planeChanged) {
    name_ = std::move(name);
    texts_[Name] = name_;
    recordChanged_ |= planeChanged;
}

std::optional<CFieldRefusal> CPlanePageForm::Accept() {
    if (std::optional<CFieldRefusal> refusal = Read()) return refusal;
    CPlane& p = planeRecord_;
    p.SetName(name_);
    if (type_ >= 0) p.planeType = static_cast<uint32_t>(type_);
    if (layer_ >= 0) p.LyrTransmit = layer_;
    if (plane_ >= 0) p.PlnTransmit = plane_;
    if (constantBox_)
        p.SetPlaneMode(PlaneConstant);
    else if (wavelengthBox_)
        p.SetPlaneMode(PlaneTable);
    p.SetConstants(numbers_[TDielectric], numbers_[NDielectric], numbers_[Reflectance]);
    return std::nullopt;
}

}  // namespace brelix
