#pragma once

#include <cstdint>
#include <string>

#include "core/batch.h"
#include "view/draw_surface.h"

namespace brelix {

// The number of values a sweep takes (Start, Start + Step, ... up to Stop; one value when Step is 0 or
// negative; none when Stop is below Start), counting no further than `limit` + 1. A step too small to
// move the value on counts as more than the limit.
uint64_t CountSweepValues(const CSweep& sweep, uint64_t limit);

// The number of source rays the batch's sweeps give, counting no further than `limit` + 1.
uint64_t CountSourceRays(const CBatch& batch, uint64_t limit);

// The memory one source ray may come to hold: the ray itself and its result records in the model and in
// every layer and plane.
uint64_t BytesPerSourceRay(const CBatch& batch);

// Source rays may take at most this much memory.
constexpr uint64_t kSourceRayMemoryLimit = uint64_t{4} << 30;

// Pushes one source ray per combination of the six sweeps onto the batch's queue (z, y, x, declination,
// azimuth outermost to innermost, wavelength or the spectrum's points innermost), with their result
// records, and sets the varies flags. Draws a stub per ray on `surface` when drawing is on. No random
// number is drawn. A batch whose rays would not fit in memory generates nothing and `error` says why.
bool GenerateRays(CBatch& batch, IDrawSurface* surface, std::string& error);

}  // namespace brelix
