#pragma once

#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include "core/ray.h"

namespace brelix {

// A batch's rays in flight, last in first out: push and pop both work at the head, so the trace follows
// each branch of a ray tree to its end before it returns to the siblings. The rays are held by value in
// one contiguous stack: no allocation per ray once the stack has grown. A push may move the rays, so a
// reference to the head is not kept across a push.
class CRayQueue {
public:
    // Pushes a default ray at the head and returns it.
    CRay& Push() { return rays_.emplace_back(); }
    // Pushes a copy of a ray at the head.
    CRay& Push(const CRay& ray) { return rays_.emplace_back(ray); }
    CRay& Head() { return rays_.back(); }
    const CRay& Head() const { return rays_.back(); }
    void RemoveHead() { rays_.pop_back(); }
    void RemoveAll() { rays_.clear(); }
    // Removes every ray and gives their memory back.
    void Release() { std::vector<CRay>().swap(rays_); }
    // Makes room for at least `count` rays in all. Throws std::bad_alloc when they could not be held.
    void Reserve(uint64_t count) {
        if (count > UINT32_MAX) throw std::bad_alloc();
        rays_.reserve(count);
    }
    // Makes room for `count` more rays, so that the pushes that follow cannot fail halfway. Grows
    // geometrically, unless only the exact room can be had.
    void ReserveMore(uint64_t count) {
        const uint64_t needed = rays_.size() + count;
        if (needed <= rays_.capacity()) return;
        try {
            Reserve(std::max<uint64_t>(needed, uint64_t{rays_.capacity()} * 2));
        } catch (const std::bad_alloc&) {
            Reserve(needed);
        }
    }
    // Removes the rays above the first `count`, the most recently pushed.
    void Truncate(uint32_t count) {
        if (count < rays_.size()) rays_.resize(count);
    }
    bool IsEmpty() const { return rays_.empty(); }
    uint32_t GetCount() const { return static_cast<uint32_t>(rays_.size()); }
    // The ray at a depth below the head (0 = head); for inspecting a queue.
    const CRay& FromHead(uint32_t depth) const { return rays_[rays_.size() - 1 - depth]; }
private:
    std::vector<CRay> rays_;
};

}  // namespace brelix
