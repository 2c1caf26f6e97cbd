#pragma once

#include <array>

#include "graph/plot.h"

namespace brelix {

// The ranges a graph zoomed in from, up to ten deep: a zoom past the tenth still zooms but saves nothing,
// so stepping out ends at the first range saved.
class CZoomStack {
  public:
    static constexpr int MaxDepth = 10;

    // Saves a range unless ten are saved.
    void Push(const CViewRange& range) {
        if (depth_ < MaxDepth) ranges_[depth_++] = range;
    }
    // The last range saved; false when there is none.
    bool Pop(CViewRange& range) {
        if (depth_ == 0) return false;
        range = ranges_[--depth_];
        return true;
    }
    void Clear() { depth_ = 0; }
    int Depth() const { return depth_; }

  private:
    std::array<CViewRange, MaxDepth> ranges_;
    int depth_ = 0;
};

}  // namespace brelix
