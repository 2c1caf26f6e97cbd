#include "view/table_pages.h"

#include <gtest/gtest.h>

namespace brelix {
namespace {

// A page of 10 rows (200 to 219 pixels high) and 3 cells (250 to 329 pixels wide).
TEST(TablePages, DownTheRowsThenAcrossTheCells) {
    const std::vector<CTablePage> pages = PageTable(25, 7, {250, 219});
    const std::vector<CTablePage> expected = {{0, 10, 0}, {10, 10, 0}, {20, 5, 0},  {0, 10, 3}, {10, 10, 3},
                                              {20, 5, 3}, {0, 10, 6},  {10, 10, 6}, {20, 5, 6}};
    EXPECT_EQ(pages, expected);
}

TEST(TablePages, ATableThatFitsIsOnePage) {
    EXPECT_EQ(PageTable(8, 3, {800, 1000}), (std::vector<CTablePage>{{0, 8, 0}}));
    // "No Results": two rows, the width of four cells.
    EXPECT_EQ(PageTable(2, 4, {400, 300}), (std::vector<CTablePage>{{0, 2, 0}}));
}

// However small the page, every row and cell is on some page, one at a time.
TEST(TablePages, APageTooSmallForACellStillTakesOne) {
    const std::vector<CTablePage> pages = PageTable(3, 2, {50, 5});
    ASSERT_EQ(pages.size(), 6u);
    EXPECT_EQ(pages[0], (CTablePage{0, 1, 0}));
    EXPECT_EQ(pages[5], (CTablePage{2, 1, 1}));
}

// A table of more rows than a widget could ever be pixels tall still pages in whole rows.
TEST(TablePages, ALongTableEndsWithItsLastRow) {
    const uint64_t rows = 4000000006ull;
    const std::vector<CTablePage> pages = PageTable(rows, 1, {500, 1000000000});
    ASSERT_EQ(pages.size(), 81u);
    EXPECT_EQ(pages.back().firstRow + pages.back().rowCount, rows);
}

}  // namespace
}  // namespace brelix
