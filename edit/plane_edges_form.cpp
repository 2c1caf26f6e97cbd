#include "edit/plane_edges_form.h"

#include "core/model.h"

namespace brelix {

namespace {

using F = CPlaneEdgesForm;

// The edge of a field, and its position in the edge's six values.
int EdgeOf(F::EField field) {
    return field < F::Edge2x ? 0 : 1;
}
int SlotOf(F::EField field) {
    return field % 6;
}

bool SameGeometry(const CRay& a, const CRay& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z && a.dx == b.dx && a.dy == b.dy && a.dz == b.dz &&
           a.step == b.step;
}

}  // namespace

CPlaneEdgesForm::CPlaneEdgesForm(CPlane& plane, std::string name)
    : plane_(plane),
      name_(std::move(name)),
      shape_(plane.shape < kShapes.size() ? static_cast<int>(plane.shape) : -1),
      drawEdge_{plane.drawEdge[0], plane.drawEdge[1], plane.drawEdge[2], plane.drawEdge[3]} {
    for (int e = 0; e < 2; ++e) {
        const CRay& edge = e == 0 ? plane.edge1 : plane.edge2;
        double* v = &values_[6 * e];
        v[0] = edge.x;
        v[1] = edge.y;
        v[2] = edge.z;
        v[3] = edge.dx * edge.step;
        v[4] = edge.dy * edge.step;
        v[5] = edge.dz * edge.step;
    }
    for (int f = 0; f < EditableCount; ++f) texts_[f] = FieldText(values_[f]);
    ShowComputed();
}

std::optional<CFieldRefusal> CPlaneEdgesForm::Read() {
    for (int f = 0; f < EditableCount; ++f) {
        const std::optional<double> value = ParseFieldNumber(texts_[f]);
        if (!value) return CFieldRefusal{f, NumberMessage()};
        values_[f] = *value;
    }
    return std::nullopt;
}

void CPlaneEdgesForm::ShowComputed() {
    const CPlane& p = plane_;
    texts_[Edge1Length] = FieldText(p.edge1.step);
    texts_[Edge2Length] = FieldText(p.edge2.step);
    texts_[Normalx] = FieldText(p.normal.x);
    texts_[Normaly] = FieldText(p.normal.y);
    texts_[Normalz] = FieldText(p.normal.z);
    texts_[NormalX] = FieldText(p.normal.dx);
    texts_[NormalY] = FieldText(p.normal.dy);
    texts_[NormalZ] = FieldText(p.normal.dz);
    texts_[NormalLength] = FieldText(p.normal.step);
}

std::optional<CFieldRefusal> CPlaneEdgesForm::Recompute() {
    std::optional<CFieldRefusal> refusal = Read();
    // The bad field and those after it show their values again.
    if (refusal)
        for (int f = refusal->field; f < EditableCount; ++f) texts_[f] = FieldText(values_[f]);

    const CRay before1 = plane_.edge1, before2 = plane_.edge2, beforeNormal = plane_.normal;
    const uint32_t beforeShape = plane_.shape;
    for (int e = 0; e < 2; ++e) {
        CRay& edge = e == 0 ? plane_.edge1 : plane_.edge2;
        const double* v = &values_[6 * e];
        edge.SetPosition(v[0], v[1], v[2]);
        // Unit direction and length; a zero vector stays zero with length 0.
        edge.SetDirection(v[3], v[4], v[5]);
        edge.step = 1;
        edge.Normalize();
    }
    plane_.ComputeNormal();
    if (shape_ >= 0) plane_.shape = static_cast<uint32_t>(shape_);
    if (!SameGeometry(before1, plane_.edge1) || !SameGeometry(before2, plane_.edge2) ||
        !SameGeometry(beforeNormal, plane_.normal) || beforeShape != plane_.shape)
        recordChanged_ = true;
    ShowComputed();
    return refusal;
}

std::optional<CFieldRefusal> CPlaneEdgesForm::LeaveField(EField field) {
    if (!IsEditable(field)) return std::nullopt;
    if (SlotOf(field) < 3) {
        // The shared corner: the value as read (the one held when the text is bad).
        const std::optional<CFieldRefusal> refusal = Read();
        if (refusal)
            for (int f = refusal->field; f < EditableCount; ++f) texts_[f] = FieldText(values_[f]);
        const int twin = EdgeOf(field) == 0 ? field + 6 : field - 6;
        values_[twin] = values_[field];
        texts_[twin] = FieldText(values_[twin]);
        std::optional<CFieldRefusal> second = Recompute();
        return refusal ? refusal : second;
    }
    return Recompute();
}

std::optional<CFieldRefusal> CPlaneEdgesForm::SelectShape(int shape) {
    shape_ = shape >= 0 && shape < static_cast<int>(kShapes.size()) ? shape : -1;
    return Recompute();
}

std::optional<CFieldRefusal> CPlaneEdgesForm::Swap() {
    std::optional<CFieldRefusal> refusal = Read();
    for (int i = 0; i < 6; ++i) std::swap(values_[i], values_[6 + i]);
    std::swap(drawEdge_[0], drawEdge_[1]);
    std::swap(drawEdge_[2], drawEdge_[3]);
    for (int f = 0; f < EditableCount; ++f) texts_[f] = FieldText(values_[f]);
    std::optional<CFieldRefusal> second = Recompute();
    return refusal ? refusal : second;
}

std::optional<CFieldRefusal> CPlaneEdgesForm::Accept() {
    if (std::optional<CFieldRefusal> refusal = Recompute()) return refusal;
    for (int i = 0; i < 4; ++i) plane_.drawEdge[i] = drawEdge_[i];
    return std::nullopt;
}

}  // namespace brelix
