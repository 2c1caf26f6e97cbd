#pragma once

// Helpers of the engine's tests: tracing a batch on the calling thread, and the intensity balance.

#include <cstdint>
#include <vector>

#include "core/batch.h"
#include "examples/sample_models.h"
#include "view/draw_surface.h"

namespace brelix::test {

using namespace samples;

// Traces a batch on the calling thread as the worker does, until no ray is left or `maxOps` ops.
// Returns the source intensity launched per result index.
std::vector<double> TraceSynchronously(CBatch& batch, uint64_t maxOps = UINT64_MAX, IDrawSurface* surface = nullptr);

// Per result index: launched and (absorbed everywhere + remainder + lost + queued or not launched). Conservation makes
// them equal up to rounding, per key without re-emission, in total with it (a re-emitted ray moves to
// the key of its new wavelength, which may be a new index past the launched ones).
struct CBalance {
    double launched = 0;
    double accounted = 0;
};
std::vector<CBalance> Balance(CBatch& batch, const std::vector<double>& launched);

// The incoherent multiple-reflection solution for a slab of index n between two half-spaces of index 1.
struct SlabFractions {
    double reflected, absorbed, transmitted;
};
SlabFractions ClosedForm(double n, double alphaPerCm, double thicknessUm);

// The mean of a tally over a list's records (one per key) and its standard error.
struct Estimate {
    double mean, standardError;
};
Estimate MeanOverKeys(const CResultList& list, double CResultRecord::*field);

// Every tally of a model (lost, remainder, and every layer's and plane's absorbed and path length), in
// one list for comparing traces bit for bit.
std::vector<double> Tallies(const CModel& model);

}  // namespace brelix::test
