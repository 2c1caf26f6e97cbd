#include "core/model.h"

#include <bit>
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


size_t CModel::SlotOf(const CResultKey& key) const {
    const size_t mask = keySlots_.size() - 1;
    for (size_t slot = CResultKeyHash{}(key) & mask;; slot = (slot + 1) & mask)
        if (keySlots_[slot] == 0 || results.Key(keySlots_[slot] - 1) == key) return slot;
}

void CModel::IndexRecords(uint32_t count) {
    // Room for one more key, so that a new key can take its slot at once.
    if (keySlots_.size() < 2 * (uint64_t{count} + 1)) {
        keySlots_.assign(std::bit_ceil(2 * (uint64_t{count} + 1)), 0);
        indexed_ = 0;
    }
    for (; indexed_ < count; ++indexed_) {
        const size_t slot = SlotOf(results.Key(indexed_));
        if (keySlots_[slot] == 0) keySlots_[slot] = indexed_ + 1;
    }
}

int32_t CModel::FindOrAddResult(const CResultKey& key) {
    const uint32_t size = results.GetSize();
    IndexRecords(size);
    const size_t slot = SlotOf(key);
    if (keySlots_[slot] != 0) return static_cast<int32_t>(keySlots_[slot] - 1);

    const uint32_t index = AppendNewResult(key);
    ShareResults();
    keySlots_[slot] = index + 1;
    indexed_ = index + 1;
    return static_cast<int32_t>(index);
}

void CModel::ReserveResults(uint32_t count) {
    results.Reserve(count);
    for (CLayer& layer : *this) {
        layer.results.AppendSharingKeys(ResultLayer, results, 0);
        layer.results.Reserve(count);
        for (CPlane& plane : layer) {
            plane.results.AppendSharingKeys(ResultPlane, results, 0);
            plane.results.Reserve(count);
        }
    }
}

uint32_t CModel::AppendNewResult(const CResultKey& key) { return results.Append(ResultModel, key); }

void CModel::ShareResults() {
    // The records of one key sit at the same index in every list: all lists are emptied together and
    // grow together.
    const uint32_t count = results.GetSize();
    for (CLayer& layer : *this) {
        layer.results.AppendSharingKeys(ResultLayer, results, count);
        for (CPlane& plane : layer) plane.results.AppendSharingKeys(ResultPlane, results, count);
    }
}

void CModel::ClearResults() {
    results.Clear();
    for (CLayer& layer : *this) {
        layer.results.Clear();
        for (CPlane& plane : layer) plane.results.Clear();
    }
    std::vector<uint32_t>().swap(keySlots_);
    indexed_ = 0;
}

}  // namespace brelix
