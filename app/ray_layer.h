#pragma once

#include <QImage>

#include "view/worker_surface.h"

class QPainter;

namespace brelix {

// The picture the trace worker draws its rays on, the size of the model view; the view lays it over the
// model picture when it paints. Transparent where no ray was drawn.
class CRayLayer : public CWorkerSurface {
public:
    // A new size clears the layer and posts the settings with it.
    void Resize(const QSize& size, const CDrawTools& tools);
    void DrawOn(QPainter& painter) const;

protected:
    void ClearLocked() override;
    void DrawLineLocked(CPoint from, CPoint to, const CPen& pen) override;

private:
    QImage image_;
};

}  // namespace brelix
