#include "app/results_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <climits>

#include "app/painter_view_surface.h"
#include "document/brelix_doc.h"
#include "view/results_table.h"

namespace brelix {

namespace {

int ClampToInt(int64_t value) {
    return static_cast<int>(std::clamp<int64_t>(value, 0, INT_MAX));
}

}  // namespace

CResultsView::CResultsView(CBrelix6Doc& doc, QWidget* parent) : QAbstractScrollArea(parent), doc_(doc) {
    setObjectName("ResultsView");
    viewport()->setAutoFillBackground(true);
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Base, Qt::white);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setPalette(palette);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(CResultsTable::CellWidth / 4);
    UpdateScrollRanges();
}

CResultsTable CResultsView::Table() const {
    const CBatchList& batches = doc_.Batches();
    const CBatch& batch = batches.Current();
    return CResultsTable(batch, static_cast<uint32_t>(std::max<int64_t>(0, batches.IndexOf(&batch))));
}

uint64_t CResultsView::VisibleRows() const {
    return static_cast<uint64_t>(std::max(1, viewport()->height() / CResultsTable::RowHeight));
}

void CResultsView::OnUpdate(EUpdateHint) {
    UpdateScrollRanges();
    viewport()->update();
}

void CResultsView::UpdateScrollRanges() {
    const CResultsTable table = Table();
    const uint64_t rows = VisibleRows();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setPageStep(ClampToInt(static_cast<int64_t>(rows)));
    vertical->setRange(0, ClampToInt(static_cast<int64_t>(table.RowCount()) - static_cast<int64_t>(rows)));
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setPageStep(viewport()->width());
    horizontal->setRange(0, std::max(0, table.Width() - viewport()->width()));
}

void CResultsView::DrawVisible(IViewSurface& surface) const {
    // One more row than fit whole: the one cut by the window's bottom edge.
    Table().Draw(surface, static_cast<uint64_t>(verticalScrollBar()->value()), VisibleRows() + 1);
}

void CResultsView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.translate(-horizontalScrollBar()->value(), 0);
    CPainterViewSurface surface(painter, {viewport()->width(), viewport()->height()});
    DrawVisible(surface);
}

void CResultsView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRanges();
}

void CResultsView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) viewport()->update();
    QAbstractScrollArea::mousePressEvent(event);
}

}  // namespace brelix
