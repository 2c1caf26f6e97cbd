#pragma once

#include <cstdint>

#include "optics/trace_context.h"

namespace brelix {

// Replaces the head ray by `count` copies of it; `prepare(copy, k)` finishes copy k before it is pushed.
// The copies are pushed in order, so the last one is traced first.
//
// A split may be millions of rays. Room for them is made before the head is touched, so a failed
// allocation leaves the queue as it was; and a stop asked for while the copies are made puts the head
// back as it was (with any random draws spent) and returns false, so that a stopped trace still accounts
// for every bit of intensity. An exception from `prepare` restores the head the same way.
template <class Prepare>
bool ReplaceHeadByCopies(CTraceContext& context, uint64_t count, Prepare&& prepare) {
    constexpr uint64_t kStopCheckInterval = 4096;
    CRayQueue& queue = context.batch.rayQueue;
    queue.ReserveMore(count);
    const CRay parent = queue.Head();
    queue.RemoveHead();
    const uint32_t base = queue.GetCount();
    const auto restore = [&] {
        queue.Truncate(base);
        queue.Push(parent);
    };
    try {
        for (uint64_t k = 0; k < count; ++k) {
            if (k % kStopCheckInterval == kStopCheckInterval - 1 && context.StopRequested()) {
                restore();
                return false;
            }
            CRay child = parent;
            prepare(child, k);
            queue.Push(child);
        }
    } catch (...) {
        restore();
        throw;
    }
    return true;
}

}  // namespace brelix
