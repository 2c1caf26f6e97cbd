#pragma once

#include <QAbstractScrollArea>
#include <cstdint>

#include "document/document_views.h"

namespace brelix {

class CBrelix6Doc;
class CResultsTable;
class IViewSurface;

// The results view: the current batch's tallies as a table (view/results_table.h) that scrolls by rows,
// so that however many records a sweep makes, its last row can be reached. The table is made afresh at
// every repaint from the tallies as they stand; while a trace runs the 250 ms tick (hint 0) repaints it and
// lets the scroll range grow with the rows.
class CResultsView : public QAbstractScrollArea {
    Q_OBJECT
  public:
    explicit CResultsView(CBrelix6Doc& doc, QWidget* parent = nullptr);

    void OnUpdate(EUpdateHint hint);
    // The table of the current batch, as it stands now.
    CResultsTable Table() const;
    // Whole rows the window shows.
    uint64_t VisibleRows() const;
    // Draws what the window shows: the rows from the vertical scroll position on, at the top of the
    // surface. The horizontal scroll position is the painter's (paintEvent moves it).
    void DrawVisible(IViewSurface& surface) const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    void UpdateScrollRanges();

    CBrelix6Doc& doc_;
};

}  // namespace brelix
