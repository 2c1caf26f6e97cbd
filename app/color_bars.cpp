#include "app/color_bars.h"

#include <QPainter>

#include "app/painter_view_surface.h"
#include "view/color_bar.h"
#include "view/legend_bar.h"

namespace brelix {

namespace {

// The width a bar asks for: from its left edge to 6 pixels short of the main window's right edge, or 100
// before it has a main window to measure against.
QSize BarSize(const QWidget& box) {
    const QWidget* window = box.window();
    if (window == &box || !box.isVisible()) return QSize(100, BarHeight);
    const int left = box.mapTo(window, QPoint(0, 0)).x();
    return QSize(std::max(100, window->width() - left - 6), BarHeight);
}

void SetUpBox(QWidget& box) {
    box.setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    box.setMinimumSize(100, BarHeight);
}

CRect Client(const QWidget& box) {
    return {0, 0, box.width(), box.height()};
}

}  // namespace

CStaticCB::CStaticCB(ToolsSource tools, QWidget* parent) : QWidget(parent), tools_(std::move(tools)) {
    setObjectName("ColorBox");
    SetUpBox(*this);
}

QSize CStaticCB::sizeHint() const {
    return BarSize(*this);
}

void CStaticCB::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    CPainterViewSurface surface(painter, {width(), height()});
    DrawColorScaleBar(surface, Client(*this), tools_());
}

CStaticLB::CStaticLB(QWidget* parent) : QWidget(parent) {
    setObjectName("LegendBox");
    SetUpBox(*this);
}

QSize CStaticLB::sizeHint() const {
    return BarSize(*this);
}

void CStaticLB::SetNames(std::vector<std::string> names) {
    if (names == names_) return;
    names_ = std::move(names);
    update();
}

void CStaticLB::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    CPainterViewSurface surface(painter, {width(), height()});
    DrawLegendBar(surface, Client(*this), names_);
}

CColorDlgBar::CColorDlgBar(CStaticCB::ToolsSource tools, QWidget* parent)
    : QToolBar("Color Scale", parent), box_(new CStaticCB(std::move(tools), this)) {
    setObjectName("ColorBar");
    setAllowedAreas(Qt::TopToolBarArea);
    addWidget(box_);
}

CLegendDlgBar::CLegendDlgBar(QWidget* parent) : QToolBar("Legend", parent), box_(new CStaticLB(this)) {
    setObjectName("LegendBar");
    setAllowedAreas(Qt::TopToolBarArea);
    addWidget(box_);
}

}  // namespace brelix
