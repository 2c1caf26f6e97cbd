#pragma once

#include <cstdint>
#include <string>

#include "core/batch.h"

namespace brelix {

// Values beyond this size overflow the products of the optical formulas.
constexpr double kLargestValue = 1e100;
// Refractive indices, coating indices and wavelengths below this size underflow in them.
constexpr double kSmallestValue = 1e-100;

// Why the batch's values would give no sensible results, or empty: a value the trace reads that is not a
// finite number of a size the formulas can take; a refractive index at a refracting plane that is not
// positive, a coating index that is negative, a reflectance outside 0..1; a source wavelength too small
// for a coating or a table; "Use Spectrum File" without points; a sweep whose step cannot move its value
// on to Stop (walked no further than `countLimit` values). The text names the element and the field.
std::string BatchValueProblem(const CBatch& batch, uint64_t countLimit);

}  // namespace brelix
