#pragma once

#include <vector>

#include "view/worker_surface.h"

namespace brelix::test {

// A worker's layer that keeps the lines drawn on it since it was last cleared, as the picture would
// show them.
class CRecordingLayer : public CWorkerSurface {
public:
    struct CLine {
        CPoint from, to;
        CPen pen;
    };
    std::vector<CLine> Lines() const {
        auto lock = Lock();
        return lines_;
    }
    int Clears() const {
        auto lock = Lock();
        return clears_;
    }

protected:
    void ClearLocked() override {
        lines_.clear();
        ++clears_;
    }
    void DrawLineLocked(CPoint from, CPoint to, const CPen& pen) override { lines_.push_back({from, to, pen}); }

private:
    std::vector<CLine> lines_;
    int clears_ = 0;
};

}  // namespace brelix::test
