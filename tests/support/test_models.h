#pragma once

// Models and helpers shared by the engine's tests: planes from corners and edge vectors, and the test
// structures (a planar slab with catchers, a Lambertian rear, a periodic textured cell, a scattering and
// luminescent layer).

#include <functional>

#include "core/batch.h"
#include "core/random.h"
#include "view/draw_surface.h"

namespace brelix::test {

struct Vec {
    double x, y, z;
};

// Sets a plane to the parallelogram (or triangle) O + a E1 + b E2; its normal is unit(E2 x E1).
void SetPlane(CPlane& plane, Vec origin, Vec e1, Vec e2, uint32_t shape = ShapeParallelogram);
// A horizontal square of side `width` centred on the z axis at height z, facing up (+z) or down.
void SetHorizontal(CPlane& plane, double z, bool facingUp, double width);
CPlane& AddPlane(CLayer& layer, const char* name, uint32_t type, int32_t lyrTransmit = 0);

// Air (layer 0) above a slab (layer 1, index n, absorption alpha per cm, `thickness` um thick, top at
// z = thickness, bottom at z = 0) above air (layer 2). Zero-reflectance reflectors catch the light that
// leaves: "Top catcher" in layer 0, "Bottom catcher" in layer 2. The slab's rear is a bare interface.
void BuildSlab(CBatch& batch, double n, double alpha, double thickness);
// The slab with a Lambertian reflector of reflectance R as its rear (no air below).
void BuildLambertianSlab(CBatch& batch, double n, double alpha, double thickness, double R);
// A periodic cell, 10 x 10 um wide: air above a wafer whose four side planes translate rays across to
// the opposite side (proportionally, or at random for `randomised`), with a Lambertian rear and a
// coated front.
void BuildTexturedCell(CBatch& batch, bool randomised);
// A closed box of a scattering, absorbing medium (layer 1) under air, with an optional Stokes emission
// table (re-emission at new wavelengths).
void BuildScatteringBox(CBatch& batch, bool luminescent);

// Source rays straight down from z = 150, one per x position 0, 1, ..., count - 1 (one key each).
void SetNormalIncidenceSources(CBatch& batch, int count, double wavelength = 600);

// Traces a batch on the calling thread as the worker does, until the queue is empty or `maxOps` ops.
void TraceSynchronously(CBatch& batch, uint64_t maxOps = UINT64_MAX, IDrawSurface* surface = nullptr);

// Per result index: launched - (absorbed everywhere + remainder + lost + queued). Conservation makes
// each entry zero up to rounding.
struct CBalance {
    double launched = 0;
    double accounted = 0;
};
std::vector<CBalance> Balance(CBatch& batch, const std::vector<double>& launched);
// The source intensity launched per result index, read from the queue right after generation.
std::vector<double> LaunchedPerKey(const CBatch& batch);

// Sum of a plane's or layer's absorbed tallies over all records.
double TotalAbsorbed(const CResultList& list);

}  // namespace brelix::test
