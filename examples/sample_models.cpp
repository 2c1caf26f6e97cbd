#include "examples/sample_models.h"

#include <cmath>


namespace brelix::samples {

void SetPlane(CPlane& plane, Vec origin, Vec e1, Vec e2, uint32_t shape) {
    plane.edge1.SetPosition(origin.x, origin.y, origin.z);
    plane.edge1.SetDirection(e1.x, e1.y, e1.z);
    plane.edge1.step = 1;
    plane.edge1.Normalize();
    plane.edge2.SetPosition(origin.x, origin.y, origin.z);
    plane.edge2.SetDirection(e2.x, e2.y, e2.z);
    plane.edge2.step = 1;
    plane.edge2.Normalize();
    plane.ComputeNormal();
    plane.shape = shape;
}

void SetHorizontal(CPlane& plane, double z, bool facingUp, double width) {
    const double h = width / 2;
    if (facingUp)
        SetPlane(plane, {-h, -h, z}, {0, width, 0}, {width, 0, 0});
    else
        SetPlane(plane, {-h, -h, z}, {width, 0, 0}, {0, width, 0});
}

CPlane& AddPlane(CLayer& layer, const char* name, uint32_t type, int32_t lyrTransmit) {
    CPlane& plane = layer.Append();
    plane.SetName(name);
    plane.planeType = type;
    plane.LyrTransmit = lyrTransmit;
    return plane;
}

namespace {
constexpr double kWide = 1e7;  // wide enough that no ray leaves through the sides
// Documents do not store the z sweep, so source rays start at z = 0: every structure lies below.
constexpr double kFront = -50;
}

void BuildSlab(CBatch& batch, double n, double alpha, double thickness) {
    CModel& model = batch.model;
    model.RemoveAll();
    CLayer& above = model.Append();
    above.SetName("Air above");
    const double rear = kFront - thickness;
    SetHorizontal(AddPlane(above, "Front", PlanarBare, 1), kFront, false, kWide);
    SetHorizontal(AddPlane(above, "Top catcher", PlanarReflector), kFront + 100, true, kWide);

    CLayer& slab = model.Append();
    slab.SetName("Slab");
    slab.SetConstants(n, alpha, 0, 0);
    SetHorizontal(AddPlane(slab, "Front", PlanarBare, 0), kFront, true, kWide);
    SetHorizontal(AddPlane(slab, "Rear", PlanarBare, 2), rear, false, kWide);

    CLayer& below = model.Append();
    below.SetName("Air below");
    SetHorizontal(AddPlane(below, "Rear", PlanarBare, 1), rear, true, kWide);
    SetHorizontal(AddPlane(below, "Bottom catcher", PlanarReflector), rear - 100, false, kWide);
}

void BuildLambertianSlab(CBatch& batch, double n, double alpha, double thickness, double R) {
    BuildSlab(batch, n, alpha, thickness);
    CLayer& slab = batch.model[1];
    slab[1].planeType = LambertianReflector;
    slab[1].SetConstants(0, 0, R);
    batch.model.RemoveAt(2);
}

namespace {

// Four side walls of the cell [0,10] x [0,10] between z0 and z1, facing out, each translating to the
// opposite wall: walls 0 and 1 (x = 0, x = 10), walls 2 and 3 (y = 0, y = 10), added after `first`
// planes.
void AddPeriodicWalls(CLayer& layer, double z0, double z1, bool randomised) {
    const uint32_t first = layer.GetCount();
    const uint32_t type = randomised ? TranslateAcrossRandomizeTail : TranslateAcrossProportional;
    const double h = z1 - z0;
    CPlane& x0 = AddPlane(layer, "x0", type);
    SetPlane(x0, {0, 0, z0}, {0, 10, 0}, {0, 0, h});
    CPlane& x1 = AddPlane(layer, "x1", type);
    SetPlane(x1, {10, 0, z0}, {0, 0, h}, {0, 10, 0});
    CPlane& y0 = AddPlane(layer, "y0", type);
    SetPlane(y0, {0, 0, z0}, {0, 0, h}, {10, 0, 0});
    CPlane& y1 = AddPlane(layer, "y1", type);
    SetPlane(y1, {0, 10, z0}, {10, 0, 0}, {0, 0, h});
    x0.PlnTransmit = static_cast<int32_t>(first + 1);
    x1.PlnTransmit = static_cast<int32_t>(first);
    y0.PlnTransmit = static_cast<int32_t>(first + 3);
    y1.PlnTransmit = static_cast<int32_t>(first + 2);
}

void SetCellFace(CPlane& plane, double z, bool facingUp) {
    if (facingUp)
        SetPlane(plane, {0, 0, z}, {0, 10, 0}, {10, 0, 0});
    else
        SetPlane(plane, {0, 0, z}, {10, 0, 0}, {0, 10, 0});
}

}  // namespace

void BuildTexturedCell(CBatch& batch, bool randomised) {
    CModel& model = batch.model;
    model.RemoveAll();
    CLayer& air = model.Append();
    air.SetName("Air");
    CPlane& front = AddPlane(air, "Front", PlanarSingleLayerAR, 1);
    SetCellFace(front, kFront, false);
    front.SetConstants(75, 1.9, 0);
    SetCellFace(AddPlane(air, "Top catcher", PlanarReflector), kFront + 100, true);
    AddPeriodicWalls(air, kFront, kFront + 100, randomised);

    CLayer& wafer = model.Append();
    wafer.SetName("Wafer");
    wafer.SetConstants(3.6, 30, 0, 0);
    CPlane& inner = AddPlane(wafer, "Front", PlanarSingleLayerAR, 0);
    SetCellFace(inner, kFront, true);
    inner.SetConstants(75, 1.9, 0);
    CPlane& rear = AddPlane(wafer, "Rear", LambertianReflector);
    SetCellFace(rear, kFront - 100, false);
    rear.SetConstants(0, 0, 0.95);
    AddPeriodicWalls(wafer, kFront - 100, kFront, randomised);
}

void BuildScatteringBox(CBatch& batch, bool luminescent) {
    BuildSlab(batch, 1.5, 20, 100);
    CLayer& box = batch.model[1];
    box.SetConstants(1.5, 20, 0, 150);
    // Reflecting walls close the box at x, y = +-50 so that scattered rays stay inside.
    const double w = 100, z0 = kFront - 100, h = 100;
    CPlane& x0 = AddPlane(box, "x0", PlanarReflector);
    SetPlane(x0, {-50, -50, z0}, {0, w, 0}, {0, 0, h});
    CPlane& x1 = AddPlane(box, "x1", PlanarReflector);
    SetPlane(x1, {50, -50, z0}, {0, 0, h}, {0, w, 0});
    CPlane& y0 = AddPlane(box, "y0", PlanarReflector);
    SetPlane(y0, {-50, -50, z0}, {0, 0, h}, {w, 0, 0});
    CPlane& y1 = AddPlane(box, "y1", PlanarReflector);
    SetPlane(y1, {-50, 50, z0}, {w, 0, 0}, {0, 0, h});
    for (CPlane* wall : {&x0, &x1, &y0, &y1}) wall->SetConstants(0, 0, 0.9);
    if (luminescent) {
        box.SetMode(LayerStokes);
        for (double w0 : {650.0, 700.0, 750.0}) {
            COpticalPoint row;
            row.wavelength = w0;
            row.rindx = 1.5;
            row.alpha = w0 < 700 ? 40 : 5;
            row.scatt = 150;
            row.emissionWeight = w0 == 700 ? 2 : 1;
            box.optics.InsertSorted(row, ERowCount::Stokes);
        }
    }
}

void SetNormalIncidenceSources(CBatch& batch, int count, double wavelength) {
    batch.xSweep = {0, static_cast<double>(count - 1), count > 1 ? 1.0 : 0.0, 0};
    batch.ySweep = {};
    batch.zSweep = {};
    batch.wavelengthSweep = {wavelength, wavelength, 0, 0};
    batch.azimuthSweep = {};
    batch.declinationSweep = {};
}

}  // namespace brelix::samples
