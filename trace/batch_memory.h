#pragma once

#include <cstdint>
#include <string>

#include "core/batch.h"

namespace brelix {

// How many rays a batch's queue can come to hold while it traces one source ray: the ray itself, the
// largest split of each kind the model can make (each happens at most once along a path) and one ray
// left behind per interface divide.
uint64_t QueueHeadroom(const CBatch& batch);

// The bytes of one results row of the batch: its key, its tallies in the model, every layer and plane,
// and its share of the key index.
uint64_t ResultRowBytes(const CBatch& batch);

// The memory a batch comes to hold with `rows` results rows: the rows (a key, and the tallies the model,
// its layers and planes add to), the index of their keys, the queue of rays in flight with its headroom,
// and the sweep values its source rays are made from. Source rays themselves are made when launched.
uint64_t BatchMemoryBytes(const CBatch& batch, uint64_t rows);

// Why the batch would not fit `available` bytes, or empty: one split of a ray (the subdivisions that
// make it are named), more source rays than a batch can hold, or the rows of the whole batch.
std::string BatchMemoryProblem(const CBatch& batch, uint64_t available);

}  // namespace brelix
