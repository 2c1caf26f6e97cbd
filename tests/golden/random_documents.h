#pragma once

// Randomised documents for comparing whole traces before and after a change of the engine: each one a
// sample structure with its plane types, shapes, optical data, sweeps, offsets, spectra and controls drawn
// at random, so that together they reach every plane type, layer mode (table, band, Stokes, path length),
// coating and reflectance table, sweep and spectrum use. Small enough to trace in milliseconds.

#include <cstdint>

#include "core/batch_list.h"

namespace brelix::test {

constexpr uint32_t kRandomDocuments = 50;

// Fills `list` (one or two batches) with random document number `index`; the same index always gives
// the same document.
void BuildRandomDocument(CBatchList& list, uint32_t index);

}  // namespace brelix::test
