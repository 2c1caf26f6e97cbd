#pragma once

#include <cstdint>
#include <string>

#include "core/batch.h"

namespace brelix {

// How many more rays than its source rays a batch's queue can come to hold: the largest split of each
// kind the model can make (each happens at most once along a path) and one ray left behind per interface
// divide.
uint64_t QueueHeadroom(const CBatch& batch);

// The memory a batch comes to hold once its source rays are generated: the queue with its headroom, the
// result records of the model, every layer and every plane, and the index of their keys.
uint64_t BatchMemoryBytes(const CBatch& batch, uint64_t sourceRays);

// Why the batch would not fit `available` bytes, or empty: one split of a ray (the subdivisions that
// make it are named), more source rays than a batch or the memory can hold, or the whole batch.
std::string BatchMemoryProblem(const CBatch& batch, uint64_t available);

}  // namespace brelix
