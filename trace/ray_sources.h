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

enum class EGeneration { Done, Stopped };

// Pushes one source ray per combination of the six sweeps onto the batch's queue (z, y, x, declination,
// azimuth outermost to innermost, wavelength or the spectrum's points innermost), with their result
// records, and sets the varies flags. Draws a stub per ray on `surface` when drawing is on. No random
// number is drawn; the stubs are drawn with `tools` (the batch's own when null). `extraRays` is room kept
// in the queue for the rays the trace will split off, so that the queue need not grow (and be copied)
// while it holds every source ray. A stop asked for through `stop` ends a long generation early. The
// batch must have passed CheckBatch.
EGeneration GenerateRays(CBatch& batch, IDrawSurface* surface, const CDrawTools* tools = nullptr,
                         uint64_t extraRays = 0, const std::atomic<uint32_t>* stop = nullptr);

}  // namespace brelix
