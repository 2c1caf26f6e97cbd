#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "core/batch.h"
#include "view/draw_surface.h"

namespace brelix {

// Result indices are 32-bit, so a batch can have at most this many source rays.
constexpr uint64_t kMaxSourceRays = INT32_MAX;

// The number of values a sweep takes (Start, Start + Step, ... up to Stop; one value when Step is 0 or
// negative; none when Stop is below Start), counting no further than `limit` + 1. A step too small to
// move the value on ends the sweep when the value has reached Stop; before Stop the sweep would never
// end: that counts as more than the limit and sets `stalls`.
uint64_t CountSweepValues(const CSweep& sweep, uint64_t limit, bool* stalls = nullptr);

// The number of source rays the batch's sweeps give, counting no further than `limit` + 1.
uint64_t CountSourceRays(const CBatch& batch, uint64_t limit);

// The results rows the batch's source rays make, one per distinct key: the combinations of the outer
// sweeps times the distinct wavelengths. The batch must have passed BatchValueProblem and have at most
// kMaxSourceRays source rays.
uint64_t CountResultRows(const CBatch& batch);

enum class EGeneration { Done, Stopped };

// Prepares the batch's source rays (CSourceRays: one per combination of the six sweeps, z, y, x,
// declination, azimuth outermost to innermost, wavelength or the spectrum's points innermost), which the
// trace launches one at a time; lays out their result records in the order the rays meet their keys; and
// sets the varies flags. Draws a stub per ray on `surface` when drawing is on, in that order. No random
// number is drawn; the stubs are drawn with `tools` (the batch's own when null). `extraRays` is room made
// in the queue for the rays a source ray splits into, so that the queue need not grow while tracing. A
// stop asked for through `stop` ends a long generation early: only the rays whose records were laid out
// launch. The batch must have passed CheckBatch.
EGeneration GenerateRays(CBatch& batch, IDrawSurface* surface, const CDrawTools* tools = nullptr,
                         uint64_t extraRays = 0, const std::atomic<uint32_t>* stop = nullptr);

}  // namespace brelix
