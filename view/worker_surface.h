#pragma once

#include <cstdint>
#include <mutex>

#include "view/draw_tools.h"

namespace brelix {

// The surface the trace worker draws on while the user interface turns, zooms or pans the picture. The
// interface posts the settings the worker is to draw with and clears what was drawn, under one lock; the
// worker collects them between trace ops (CollectSettings). A line the worker draws with settings older
// than the last posted ones is dropped, so no ray of an old projection stays in the picture.
//
// Subclasses keep the pixels: they clear them and draw lines, always under the lock, which they also take
// (Lock()) to read the pixels on the interface's side.
class CWorkerSurface : public IDrawSurface {
public:
    // User-interface side: the settings from now on, and a cleared picture.
    void Post(const CDrawTools& tools);

    // Worker side.
    const CPen* SelectPen(const CPen* pen) override;
    void MoveTo(int x, int y) override { at_ = {x, y}; }
    void LineTo(int x, int y) override;
    bool CollectSettings(CDrawTools& tools, uint64_t& version) override;

protected:
    std::unique_lock<std::mutex> Lock() const { return std::unique_lock(mutex_); }
    // Called with the lock held. Post bumps the settings' version and clears in one step.
    void PostLocked(const CDrawTools& tools);
    virtual void ClearLocked() = 0;
    virtual void DrawLineLocked(CPoint from, CPoint to, const CPen& pen) = 0;

private:
    mutable std::mutex mutex_;
    // Guarded by mutex_: the posted settings, their version, and the version the worker draws with.
    CDrawTools posted_;
    uint64_t version_ = 0;
    uint64_t collected_ = 0;
    // The worker's alone.
    const CPen* pen_ = nullptr;
    CPoint at_;
};

}  // namespace brelix
