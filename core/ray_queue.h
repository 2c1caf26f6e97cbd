#pragma once

#include <cstdint>
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
    // Makes room for at least `count` rays in all.
    void Reserve(uint32_t count) { rays_.reserve(count); }
    bool IsEmpty() const { return rays_.empty(); }
    uint32_t GetCount() const { return static_cast<uint32_t>(rays_.size()); }
    // The ray at a depth below the head (0 = head); for inspecting a queue.
    const CRay& FromHead(uint32_t depth) const { return rays_[rays_.size() - 1 - depth]; }
private:
    std::vector<CRay> rays_;
};

}  // namespace brelix
