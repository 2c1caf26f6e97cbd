#pragma once

// Sample structures shared by the examples, the tests and the benchmarks: planes from corners and edge
// vectors, a planar slab with catchers, a Lambertian rear, a periodic textured cell, a scattering and
// luminescent box.

#include "core/batch.h"

namespace brelix::samples {

struct Vec {
    double x, y, z;
};

// Sets a plane to the parallelogram (or triangle) O + a E1 + b E2; its normal is unit(E2 x E1).
void SetPlane(CPlane& plane, Vec origin, Vec e1, Vec e2, uint32_t shape = ShapeParallelogram);
// A horizontal square of side `width` centred on the z axis at height z, facing up (+z) or down.
void SetHorizontal(CPlane& plane, double z, bool facingUp, double width);
CPlane& AddPlane(CLayer& layer, const char* name, uint32_t type, int32_t lyrTransmit = 0);

// Source rays start at z = 0 (documents do not store the z sweep), so every structure lies below: its
// front at z = -50, with 100 um of air above it up to a catcher.
//
// Air (layer 0) above a slab (layer 1, index n, absorption alpha per cm, `thickness` um thick, front at
// z = -50) above air (layer 2). Zero-reflectance reflectors catch the light that leaves: "Top catcher" in
// layer 0, "Bottom catcher" in layer 2. The slab's rear is a bare interface.
void BuildSlab(CBatch& batch, double n, double alpha, double thickness);
// The slab with a Lambertian reflector of reflectance R as its rear (no air below).
void BuildLambertianSlab(CBatch& batch, double n, double alpha, double thickness, double R);
// A periodic cell, 10 x 10 um wide: air above a 100 um wafer whose four side planes translate rays across to
// the opposite side (proportionally, or at random for `randomised`), with a Lambertian rear and a
// coated front.
void BuildTexturedCell(CBatch& batch, bool randomised);
// A closed box of a scattering, absorbing medium (layer 1) under air, with an optional Stokes emission
// table (re-emission at new wavelengths).
void BuildScatteringBox(CBatch& batch, bool luminescent);

// Source rays straight down from z = 0, one per x position 0, 1, ..., count - 1 (one key each).
void SetNormalIncidenceSources(CBatch& batch, int count, double wavelength = 600);

}  // namespace brelix::samples
