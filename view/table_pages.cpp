#include "view/table_pages.h"

#include <algorithm>

#include "view/results_table.h"

namespace brelix {

std::vector<CTablePage> PageTable(uint64_t rows, int32_t cells, CSize page) {
    const uint64_t rowsPerPage = std::max<int64_t>(1, page.cy / CResultsTable::RowHeight);
    // A cell's text starts 10 pixels into its column.
    const int32_t cellsPerPage = std::max<int32_t>(1, (page.cx - 10) / CResultsTable::CellWidth);
    std::vector<CTablePage> pages;
    for (int32_t cell = 0; cell < std::max(cells, 1); cell += cellsPerPage)
        for (uint64_t row = 0; row < rows; row += rowsPerPage)
            pages.push_back({row, std::min(rowsPerPage, rows - row), cell});
    return pages;
}

}  // namespace brelix
