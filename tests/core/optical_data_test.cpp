#include "core/optical_data.h"

#include <gtest/gtest.h>

#include <cmath>

namespace brelix {
namespace {

COpticalPoint Row(double wavelength, double rindx, double weight = 0) {
    return COpticalPoint{.wavelength = wavelength, .rindx = rindx, .alpha = rindx * 100, .emissionWeight = weight};
}

TEST(COpticalData, TableLookupInterpolatesWithoutExtrapolating) {
    COpticalData data;
    EXPECT_EQ(data.GetRefractiveIndex(500), 1.0);  // a new layer: index 1, coefficients 0
    EXPECT_EQ(data.GetAbsorption(500), 0.0);
    data.SetMode(LayerTable);
    data.SetConstants(9, 9, 9, 9);
    data.InsertSorted(Row(600, 2.5), ERowCount::Table);
    data.InsertSorted(Row(400, 1.5), ERowCount::Table);
    const double expected[][2] = {{300, 1.5}, {400, 1.5}, {500, 2.0}, {600, 2.5}, {700, 2.5}, {0, 9.0}};
    for (const auto& [w, n] : expected) EXPECT_EQ(data.GetRefractiveIndex(w), n) << w;
    EXPECT_EQ(data.GetAbsorption(500), 200.0);
    EXPECT_EQ(data.GetRefractiveIndex(std::nan("")), 9.0);
    data.SetMode(LayerStokes);  // the rows are counted as a mode-1 table only
    EXPECT_EQ(data.GetRefractiveIndex(500), 9.0);

    // A long table against hand interpolation, and a document's unsorted rows: the first bracketing pair.
    COpticalData table;
    table.SetMode(LayerTable);
    for (int i = 0; i <= 120; ++i) table.InsertSorted(Row(250 + 10 * i, 1 + (i * i) % 7), ERowCount::Table);
    for (double w = 251.5; w < 1450; w += 7.3) {
        const int i = static_cast<int>((w - 250) / 10);
        const double n0 = 1 + (i * i) % 7, n1 = 1 + ((i + 1) * (i + 1)) % 7, w0 = 250 + 10 * i;
        EXPECT_EQ(table.GetRefractiveIndex(w), n0 + (w - w0) / 10 * (n1 - n0)) << w;
    }
    COpticalData unsorted;
    unsorted.SetMode(LayerTable);
    for (const auto& [w, n] : {std::pair{400.0, 1.0}, {700.0, 4.0}, {500.0, 2.0}, {800.0, 5.0}})
        unsorted.AppendCounted(Row(w, n));
    EXPECT_EQ(unsorted.GetRefractiveIndex(750), 4.5);  // the pair (500, 800)
}

// Only a table made in code can hold a NaN wavelength. A single such row brackets nothing; the lookup must
// still stay inside the table.
TEST(COpticalData, ALoneRowWithoutAWavelengthGivesTheConstants) {
    COpticalData data;
    data.SetMode(LayerTable);
    data.SetConstants(9, 9, 9, 9);
    data.InsertSorted(Row(std::nan(""), 2), ERowCount::Table);
    for (double w : {300.0, 500.0, std::nan("")}) EXPECT_EQ(data.GetRefractiveIndex(w), 9.0) << w;
}

TEST(COpticalData, EqualWavelengthsKeepFileOrder) {
    COpticalData data;
    for (const auto& [w, n] : {std::pair{500.0, 1.0}, {400.0, 2.0}, {500.0, 3.0}, {450.0, 4.0}})
        data.InsertSorted(Row(w, n), ERowCount::Table);
    const double order[] = {2, 4, 1, 3};
    for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(data[i].rindx, order[i]);
    EXPECT_EQ(data.tableCount, 4u);
}

TEST(COpticalData, BandModeEdgesAndEmission) {
    COpticalData data;
    data.SetMode(LayerBand);
    data.SetConstants(1.1, 2.2, 0.5, 3.3);
    data.SetBand(10, 20, 30, 40, 1.5, 1.6, 500, 100, 80);
    CRandom random(1);
    for (double w : {450.0, 500.0, 550.0, 449.0, 551.0}) {
        const bool in = w >= 450 && w <= 550;
        EXPECT_EQ(data.GetAbsorption(w), in ? 10.0 : 20.0) << w;
        EXPECT_EQ(data.GetScattering(w), in ? 30.0 : 40.0) << w;
        EXPECT_EQ(data.GetRefractiveIndex(w), in ? 1.5 : 1.6) << w;
        EXPECT_EQ(data.GetEmissionWavelength(w, random), in ? w + 80 : w) << w;
    }
    EXPECT_EQ(data.GetExtinction(500), 0.5);  // no band form
    EXPECT_EQ(random.Next(), 41);             // band emission draws nothing
}

TEST(COpticalData, StokesEmissionDrawsOncePerCall) {
    COpticalData data;
    data.SetMode(LayerStokes);
    data.InsertSorted(Row(600, 1, 1), ERowCount::Stokes);
    data.InsertSorted(Row(700, 1, 3), ERowCount::Stokes);
    CRandom random(1);  // draws 41 (first row), then 18467 (second row)
    EXPECT_EQ(data.GetEmissionWavelength(500, random), 600.0);
    EXPECT_EQ(data.GetEmissionWavelength(500, random), 700.0);
    EXPECT_EQ(data.GetEmissionWavelength(0, random), 0.0);  // wavelength 0 draws nothing
    EXPECT_EQ(random.Next(), 6334);
    int first = 0;
    for (int i = 0; i < 40000; ++i) first += data.GetEmissionWavelength(500, random) == 600.0;
    EXPECT_NEAR(first / 40000.0, 0.25, 0.01);

    COpticalData zero;  // all weights 0: the incoming wavelength, after one draw
    zero.SetMode(LayerStokes);
    zero.InsertSorted(Row(600, 1, 0), ERowCount::Stokes);
    CRandom again(1);
    EXPECT_EQ(zero.GetEmissionWavelength(512, again), 512.0);
    EXPECT_EQ(again.Next(), 18467);
}

TEST(COpticalData, PlaneModesAndCopies) {
    COpticalData plane;
    plane.SetPlaneMode(PlaneTable);
    plane.SetPlaneConstants(100, 2.0, 0.7);
    EXPECT_EQ(plane.GetReflectance(500), 0.7);  // no rows: the constants
    plane.InsertSorted(COpticalPoint{.wavelength = 400, .reflectance = 0.2}, ERowCount::Table);
    plane.InsertSorted(COpticalPoint{.wavelength = 600, .reflectance = 0.4}, ERowCount::Table);
    EXPECT_DOUBLE_EQ(plane.GetReflectance(500), 0.3);
    plane.SetPlaneMode(3);  // any other mode acts as constant
    EXPECT_EQ(plane.GetReflectance(500), 0.7);

    COpticalData stokes;
    stokes.SetMode(LayerStokes);
    stokes.stokesFile = "emit.txt";
    stokes.InsertSorted(Row(600, 1, 1), ERowCount::Stokes);
    stokes.InsertSorted(Row(700, 2, 1), ERowCount::Stokes);
    COpticalData copy;
    copy.InsertSorted(Row(1, 1), ERowCount::Table);
    copy.CopyFrom(stokes);
    EXPECT_EQ(copy.GetCount(), 2u);
    EXPECT_EQ(copy.stokesCount, 2u);
    EXPECT_EQ(copy.tableCount, 0u);
    EXPECT_EQ(copy.stokesFile, "emit.txt");
    stokes.SetMode(LayerBand);  // band mode keeps loaded rows, but a copy takes none
    copy.CopyFrom(stokes);
    EXPECT_EQ(copy.GetCount(), 0u);
}

}  // namespace
}  // namespace brelix
