#pragma once

#include <cstdint>
#include <vector>

#include "view/view_surface.h"

namespace brelix {

// One printed page of the results table: its rows, and its cells from `firstCell` on (the page shows the
// table moved left by CResultsTable::CellWidth * firstCell, so that this cell's text starts where the first
// one's would).
struct CTablePage {
    uint64_t firstRow = 0;
    uint64_t rowCount = 0;
    int32_t firstCell = 0;
    bool operator==(const CTablePage&) const = default;
};

// The pages of a table of `rows` rows with `cells` cells a row on pages of `page` pixels: as many whole rows
// and whole cells as a page holds (one at least, however small the page), down the rows first, then across
// to the next cells.
std::vector<CTablePage> PageTable(uint64_t rows, int32_t cells, CSize page);

}  // namespace brelix
