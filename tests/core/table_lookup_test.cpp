// Table lookups at a wavelength that several rows share. A repeated wavelength is a step in the table:
// below it the values run toward the first of those rows, from it on they start from the last. The
// sorted table (binary search) and an unsorted one (the first bracketing pair) must agree on that.

#include <gtest/gtest.h>

#include "core/optical_data.h"

namespace brelix {
namespace {

COpticalPoint Row(double wavelength, double rindx) {
    return COpticalPoint{.wavelength = wavelength, .rindx = rindx, .reflectance = rindx / 10};
}

// The rows in this order, as a table read from a document keeps them.
void Fill(COpticalData& data, std::initializer_list<COpticalPoint> rows) {
    data.SetMode(LayerTable);
    data.SetPlaneMode(PlaneTable);
    for (const COpticalPoint& row : rows) data.AppendCounted(row);
}

TEST(TableLookup, ARepeatedWavelengthIsAStepInBothSearches) {
    // The same step at 500 (2 -> 3, and through a third row 2.5 in between), sorted and with an
    // out-of-order row after it.
    COpticalData sorted, unsorted;
    Fill(sorted, {Row(400, 1), Row(500, 2), Row(500, 3), Row(600, 4)});
    Fill(unsorted,
         {Row(400, 1), Row(500, 2), Row(500, 2.5), Row(500, 3), Row(600, 4), Row(550, 9), Row(700, 5)});
    for (const COpticalData* table : {&sorted, &unsorted}) {
        const COpticalData& data = *table;
        SCOPED_TRACE(data.GetCount());
        EXPECT_EQ(data.GetRefractiveIndex(450), 1.5);
        EXPECT_NEAR(data.GetRefractiveIndex(499.999), 2.0, 1e-4);
        EXPECT_EQ(data.GetRefractiveIndex(500), 3.0);
        EXPECT_EQ(data.GetRefractiveIndex(550), 3.5);
        EXPECT_EQ(data.GetReflectance(500), 0.3);  // planes look up the same way
    }
    // In the unsorted table the first bracketing pair beyond 600 is (550, 700).
    EXPECT_EQ(unsorted.GetRefractiveIndex(650), 9 + (650.0 - 550) / 150 * (5 - 9));

    // A step at the table's last wavelength: at and beyond it the last row holds.
    COpticalData end;
    Fill(end, {Row(500, 2), Row(600, 4), Row(600, 6)});
    EXPECT_EQ(end.GetRefractiveIndex(550), 3.0);
    EXPECT_EQ(end.GetRefractiveIndex(600), 6.0);
    EXPECT_EQ(end.GetRefractiveIndex(650), 6.0);
}

}  // namespace
}  // namespace brelix
