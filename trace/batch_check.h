#pragma once

#include <cstdint>
#include <string>

#include "core/batch.h"

namespace brelix {

// Ends a ray's path after this many trace ops, as remainder: far beyond any physical need (a ray that
// bounces between two perfect reflectors, or inside a damaged geometry, would otherwise be traced for
// ever), and counted in the batch's expiredRays.
constexpr uint32_t kMaxPathInteractions = 100000;

// How many more rays than its source rays a batch's queue can come to hold: the largest split of each
// kind the model can make (each happens at most once along a path) and one ray left behind per interface
// divide.
uint64_t QueueHeadroom(const CBatch& batch);

// The memory a batch comes to hold once its source rays are generated: the queue with its headroom, the
// result records of the model, every layer and every plane, and the index of their keys.
uint64_t BatchMemoryBytes(const CBatch& batch, uint64_t sourceRays);

// Checks, before a trace starts, that the batch can be traced: that its values cannot make NaN results
// (every number the trace reads is finite; no wavelength at or below 0 reaches a coating or a table; a
// spectrum to use has points), that its sweeps end, and that its rays and its largest split fit in the
// memory available. Otherwise `error` names the batch, the element and the field, and what to change.
bool CheckBatch(const CBatch& batch, std::string& error);
// The same with the memory available given.
bool CheckBatch(const CBatch& batch, std::string& error, uint64_t availableMemory);

}  // namespace brelix
