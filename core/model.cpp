#include "core/model.h"

#include <functional>

#include "core/format.h"

namespace brelix {

namespace {

constexpr const char* kPlaneTypes[][2] = {
    {"Planar Bare", "PlnBare; "},
    {"Planar Single Layer AR", "PlnSLAR; "},
    {"Planar Ideal", "PlnIdeal; "},
    {"Planar Reflector", "PlnRefl; "},
    {"Lambertian Reflector", "LamRefl; "},
    {"Translate Across Proportional", "TransAcrssProp; "},
    {"Translate Across Randomize Tail", "TransAcrssRndTail; "},
    {"Randomise Tail Reflect", "RndTailRefl; "},
    {"Randomise Tail Transmit", "RndTailTrans; "},
    {"Randomise Tail Transmit Subdivide", "RndTailTransSubdv; "},
    {"", "TransSubdvAngle; "},
};
constexpr uint32_t kPlaneTypeCount = sizeof kPlaneTypes / sizeof kPlaneTypes[0];

// The first 15 characters of a name, ":", and one space for each character the name is short of 16.
std::string DescribeName(const std::string& name) {
    std::string line = name.substr(0, 15) + ":";
    if (name.size() < 16) line.append(16 - name.size(), ' ');
    return line;
}

}  // namespace

const char* PlaneTypeLabel(uint32_t type) { return type < kPlaneTypeCount ? kPlaneTypes[type][0] : ""; }

const char* PlaneTypeKey(uint32_t type) { return type < kPlaneTypeCount ? kPlaneTypes[type][1] : "Unknwn; "; }

CPlane::CPlane() {
    edge1.SetDirection(0, 1, 0);
    edge2.SetDirection(1, 0, 0);
    ComputeNormal();
}

void CPlane::ComputeNormal() {
    normal.Cross(edge2, edge1);
    normal.step = 1.0;
    normal.Normalize();
    normal.step = 1.0;
}

void CPlane::CopyFrom(const CPlane& other, bool swapEdges) {
    const CRay& from1 = swapEdges ? other.edge2 : other.edge1;
    const CRay& from2 = swapEdges ? other.edge1 : other.edge2;
    for (auto [edge, from] : {std::pair{&edge1, &from1}, std::pair{&edge2, &from2}}) {
        from->CopyGeometry(*edge);
        edge->step = 1.0;
        edge->Normalize();
        edge->step = from->step;
    }
    ComputeNormal();
    for (int i = 0; i < 4; ++i) drawEdge[i] = other.drawEdge[i];
    planeType = other.planeType;
    shape = other.shape;
    LyrTransmit = other.LyrTransmit;
    PlnTransmit = other.PlnTransmit;
    name = swapEdges ? "!" + other.name : other.name;
    optics.CopyFrom(other.optics);
}

std::string CPlane::Describe() const {
    std::string line = DescribeName(name);
    line += "{type=";
    line += PlaneTypeKey(planeType);
    line += "shape=";
    line += shape == ShapeParallelogram ? "PrllPpd; " : shape == ShapeTriangle ? "Tranglr; " : "Unknwn; ";
    line += "LyrTransmit=" + FormatInt(LyrTransmit) + "; PlnTransmit=" + FormatInt(PlnTransmit) + "; ";
    line += "} {Awaiting Conversion to PlnOpt organisation}";
    return line;
}

void CLayer::CopyFrom(const CLayer& other) {
    RemoveAll();
    for (const CPlane& plane : other) Append().CopyFrom(plane);
    SetCurrent(other.GetCurrent());
    name = other.name;
    optics.CopyFrom(other.optics);
}

std::string CLayer::Describe() const {
    std::string line = DescribeName(name);
    line += "{";
    line += optics.pathLength ? "Pathln=true; " : "Pathln=false; ";
    line += "} {";
    if (optics.layerMode == LayerConstant) {
        line += "ConstOpt:  rindx=" + FormatFixed(GetRefractiveIndex(0), 2, 3) +
                ";  extnc=" + FormatFixed(GetExtinction(0), 2, 3) +
                ";  alpha=" + FormatFixed(GetAbsorption(0), 2, 3) +
                ";  scatt=" + FormatFixed(GetScattering(0), 2, 3);
    } else {
        line += "WavelOpt:  DataFile=\"" + PadLeft(optics.dataFile, 12) +
                "\";  DataPoints=" + FormatInt(static_cast<int32_t>(optics.tableCount));
    }
    line += "}";
    return line;
}

void CModel::CopyFrom(const CModel& other) {
    RemoveAll();
    for (const CLayer& layer : other) Append().CopyFrom(layer);
    SetCurrent(other.GetCurrent());
}

size_t CModel::KeyHash::operator()(const CResultKey& key) const {
    size_t h = 0;
    for (double v : {key.wavelength, key.azimuth, key.declination, key.x, key.y, key.z, key.sourceIntensity})
        h = h * 1000003u ^ std::hash<double>{}(v + 0.0);  // + 0.0 makes -0 hash like 0, as it compares
    return h;
}

int32_t CModel::FindOrAddResult(const CRay& ray) {
    const CResultKey key = CResultKey::Of(ray);
    if (auto found = resultIndex_.find(key); found != resultIndex_.end()) return found->second;

    const int32_t index = static_cast<int32_t>(results.Append(ResultModel, key));
    // The records of one key sit at the same index in every list: all lists are emptied together and
    // grow together.
    for (CLayer& layer : *this) {
        layer.results.Append(ResultLayer, key);
        for (CPlane& plane : layer) plane.results.Append(ResultPlane, key);
    }
    resultIndex_.emplace(key, index);
    return index;
}

void CModel::ClearResults() {
    results.Clear();
    for (CLayer& layer : *this) {
        layer.results.Clear();
        for (CPlane& plane : layer) plane.results.Clear();
    }
    resultIndex_.clear();
}

}  // namespace brelix
