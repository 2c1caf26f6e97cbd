#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/result_list.h"
#include "view/view_surface.h"

namespace brelix {

class CBatch;

// The results view's table of one batch: a title line, a heading row, one row per result record with its
// sweep values and the intensity absorbed in every layer and plane, the remainder, the lost intensity and
// the row total, then a totals row. Cells are CellWidth x RowHeight pixels; the text of column k of table
// row r has its top-left corner at (10 + 80 k, 20 r). Numbers are the results export's cells
// (document/results_export.h).
//
// A table is made for one repaint: it takes the batch's columns and its number of result records when it
// is made, and reads the tallies when it draws, each value whole, so that it can be drawn while the trace
// worker adds to them. Rows made since are left to the next table, so the totals always sum the rows
// counted.
class CResultsTable {
  public:
    static constexpr int32_t CellWidth = 80;
    static constexpr int32_t RowHeight = 20;

    // `batchIndex` is the batch's position in the document, counted from 0.
    CResultsTable(const CBatch& batch, uint32_t batchIndex);

    // Rows to scroll through: with n records, the title, headings, a rule, n rows, a rule, the totals and a
    // blank row (n + 6); with none, the title and "No Results" (2).
    uint64_t RowCount() const { return records_ > 0 ? records_ + 6ull : 2; }
    // Width in pixels: a cell for each heading, or 320 with no records.
    int32_t Width() const;

    // Draws the table rows firstRow to firstRow + rowCount - 1, table row r at y = RowHeight (r - firstRow),
    // so that a view scrolls by rows however long the table is. A window shows the rows it covers; a
    // printer page as many as fit. Sets the surface's text state and uses a black pen for the rules.
    void Draw(IViewSurface& surface, uint64_t firstRow, uint64_t rowCount) const;

  private:
    struct CSweep;
    struct CColumn {
        const CResultList* results;
        std::string heading;
        CColor color;
    };
    // One record's values, each read whole; a column whose list has no record yet has no value.
    struct CRow {
        CResultRecord record;
        std::vector<std::optional<double>> absorbed;
        double total = 0;
    };
    struct CTotals {
        std::vector<double> columns;  // of the first 200 layer and plane columns, as the export sums
        double remainder = 0, lost = 0, grand = 0;
    };

    // Cells in the heading row and every record row: "Ray", the sweeps, the columns and three totals.
    int32_t CellCount() const;
    CRow ReadRow(uint32_t index) const;
    CTotals SumRows() const;
    void DrawTitle(IViewSurface& surface, int32_t y) const;
    void DrawHeadings(IViewSurface& surface, int32_t y) const;
    void DrawRule(IViewSurface& surface, int32_t rowTop) const;
    void DrawRow(IViewSurface& surface, uint32_t index, const CRow& row, int32_t y) const;
    void DrawTotals(IViewSurface& surface, const CTotals& totals, int32_t y) const;

    const CBatch& batch_;
    uint32_t batchIndex_;
    std::vector<const CSweep*> sweeps_;
    std::vector<CColumn> columns_;
    uint32_t records_;
};

}  // namespace brelix
