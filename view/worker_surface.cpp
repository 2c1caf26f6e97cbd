#include "view/worker_surface.h"

namespace brelix {

void CWorkerSurface::Post(const CDrawTools& tools) {
    std::lock_guard lock(mutex_);
    PostLocked(tools);
}

void CWorkerSurface::PostLocked(const CDrawTools& tools) {
    posted_.CopyFrom(tools);
    ++version_;
    ClearLocked();
}

const CPen* CWorkerSurface::SelectPen(const CPen* pen) {
    if (pen == nullptr) return nullptr;
    const CPen* previous = pen_;
    pen_ = pen;
    return previous;
}

void CWorkerSurface::LineTo(int x, int y) {
    const CPoint from = at_;
    at_ = {x, y};
    if (!pen_) return;
    std::lock_guard lock(mutex_);
    if (collected_ == version_) DrawLineLocked(from, at_, *pen_);
}

bool CWorkerSurface::CollectSettings(CDrawTools& tools, uint64_t& version) {
    std::lock_guard lock(mutex_);
    if (version_ == 0) return false;
    if (version != version_) {
        tools.CopyFrom(posted_);
        version = version_;
    }
    collected_ = version_;
    return true;
}

}  // namespace brelix
