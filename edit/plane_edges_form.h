#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "edit/dialog_fields.h"

namespace brelix {

class CPlane;

// The logic of the "Define Plane Edges" dialog. It edits a plane live: leaving a coordinate field,
// changing the shape or swapping the edges writes the new edges, normal and shape into the plane at once
// (the dialog then redraws the model). "OK" also writes the four "Draw Edge" flags, which Cancel drops.
// The two edges share their corner: leaving one edge's x, y or z gives the other edge the same value.
class CPlaneEdgesForm {
  public:
    enum EField {
        // Editable: the corner (lower case) and the vector (upper case) of each edge.
        Edge1x,
        Edge1y,
        Edge1z,
        Edge1X,
        Edge1Y,
        Edge1Z,
        Edge2x,
        Edge2y,
        Edge2z,
        Edge2X,
        Edge2Y,
        Edge2Z,
        EditableCount,
        // Shown only.
        Edge1Length = EditableCount,
        Edge2Length,
        Normalx,
        Normaly,
        Normalz,
        NormalX,
        NormalY,
        NormalZ,
        NormalLength,
        FieldCount
    };
    // The "Plane Shape" entries, in the list's order.
    static constexpr std::array<const char*, 2> kShapes = {"Parallelpiped", "Triangular"};

    CPlaneEdgesForm(CPlane& plane, std::string name);

    const std::string& Text(EField field) const { return texts_[field]; }
    void SetText(EField field, std::string text) { texts_[field] = std::move(text); }
    static bool IsEditable(EField field) { return field < EditableCount; }
    // The name the caller stores back, with OK and with Cancel.
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    // The "Plane Shape" selection, -1 for a shape the list does not hold.
    int Shape() const { return shape_; }
    // A "Draw Edge" box (0 to 3 for edges 1 to 4): 0 clear, 1 checked, 2 indeterminate.
    int32_t DrawEdge(int edge) const { return drawEdge_[edge]; }
    void SetDrawEdge(int edge, int32_t state) { drawEdge_[edge] = state; }

    // The focus left a field: a corner value goes to the other edge, then the plane is recomputed.
    std::optional<CFieldRefusal> LeaveField(EField field);
    std::optional<CFieldRefusal> SelectShape(int shape);
    // "Edge1 <--> Edge2": the edges' corners and vectors change places, and the "Draw Edge" boxes 1 and 2,
    // 3 and 4; the recompute then turns the normal round.
    std::optional<CFieldRefusal> Swap();
    // Reads the fields (the first bad one stops the read, those before it are taken) and writes the edges,
    // their lengths, the normal unit(E2 x E1) from edge 2's corner, and the shape into the plane.
    std::optional<CFieldRefusal> Recompute();
    // "OK": a recompute, then the "Draw Edge" flags. A refusal keeps the dialog open; the geometry as read
    // is in the plane all the same.
    std::optional<CFieldRefusal> Accept();

    // A recompute changed the plane: a Cancel must still mark the document modified.
    bool RecordChanged() const { return recordChanged_; }

  private:
    std::optional<CFieldRefusal> Read();
    void ShowComputed();

    CPlane& plane_;
    std::array<std::string, FieldCount> texts_;
    std::array<double, EditableCount> values_{};
    std::string name_;
    int shape_;
    std::array<int32_t, 4> drawEdge_;
    bool recordChanged_ = false;
};

}  // namespace brelix
