#include "core/optical_data.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/model.h"

namespace brelix {
namespace {

COpticalPoint Row(double wavelength, double rindx, double weight = 0) {
    COpticalPoint row;
    row.wavelength = wavelength;
    row.rindx = rindx;
    row.alpha = rindx * 100;
    row.emissionWeight = weight;
    return row;
}

TEST(COpticalData, NewLayerAndPlaneDefaults) {
    CLayer layer;
    for (double w : {0.0, 300.0, 1e9}) {
        EXPECT_EQ(layer.GetRefractiveIndex(w), 1.0);
        EXPECT_EQ(layer.GetAbsorption(w), 0.0);
        EXPECT_EQ(layer.GetScattering(w), 0.0);
        EXPECT_EQ(layer.GetExtinction(w), 0.0);
    }
    CPlane plane;
    EXPECT_EQ(plane.GetReflectance(500), 0.0);
    EXPECT_EQ(plane.GetDielectricIndex(500), 0.0);
}

TEST(COpticalData, TableLookupInterpolatesWithoutExtrapolating) {
    COpticalData data;
    data.SetMode(LayerTable);
    data.SetConstants(9, 9, 9, 9);
    data.InsertSorted(Row(600, 2.5), ERowCount::Table);
    data.InsertSorted(Row(400, 1.5), ERowCount::Table);
    EXPECT_EQ(data.tableCount, 2u);
    EXPECT_EQ(data.GetRefractiveIndex(500), 2.0);
    EXPECT_EQ(data.GetAbsorption(500), 200.0);
    EXPECT_EQ(data.GetRefractiveIndex(300), 1.5);
    EXPECT_EQ(data.GetRefractiveIndex(400), 1.5);
    EXPECT_EQ(data.GetRefractiveIndex(600), 2.5);
    EXPECT_EQ(data.GetRefractiveIndex(700), 2.5);
    EXPECT_EQ(data.GetRefractiveIndex(0), 9.0);  // wavelength 0 asks for the constant
    EXPECT_EQ(data.GetExtinction(450), 0.0);

    // Only the counted rows take part: a Stokes-counted table is not a mode-1 table.
    data.SetMode(LayerStokes);
    EXPECT_EQ(data.GetRefractiveIndex(500), 9.0);
}

TEST(COpticalData, LookupMatchesHandInterpolationOnALongTable) {
    COpticalData data;
    data.SetMode(LayerTable);
    for (int i = 0; i <= 120; ++i) data.InsertSorted(Row(250 + 10 * i, 1 + (i * i) % 7), ERowCount::Table);
    for (double w = 251.5; w < 1450; w += 7.3) {
        const int i = static_cast<int>((w - 250) / 10);
        const double n0 = 1 + (i * i) % 7, n1 = 1 + ((i + 1) * (i + 1)) % 7;
        const double w0 = 250 + 10 * i, w1 = w0 + 10;
        EXPECT_EQ(data.GetRefractiveIndex(w), n0 + (w - w0) / (w1 - w0) * (n1 - n0)) << w;
    }
}

TEST(COpticalData, EqualWavelengthsKeepFileOrderAndUnsortedTablesStillAnswer) {
    COpticalData data;
    data.SetMode(LayerTable);
    data.InsertSorted(Row(500, 1), ERowCount::Table);
    data.InsertSorted(Row(400, 2), ERowCount::Table);
    data.InsertSorted(Row(500, 3), ERowCount::Table);
    data.InsertSorted(Row(450, 4), ERowCount::Table);
    ASSERT_EQ(data.GetCount(), 4u);
    EXPECT_EQ(data[0].rindx, 2.0);
    EXPECT_EQ(data[1].rindx, 4.0);
    EXPECT_EQ(data[2].rindx, 1.0);
    EXPECT_EQ(data[3].rindx, 3.0);
    EXPECT_EQ(data.GetRefractiveIndex(500), 3.0);  // at or above the last row

    // A document may hold rows out of order: the first row pair that brackets W is used.
    COpticalData unsorted;
    unsorted.SetMode(LayerTable);
    unsorted.SetConstants(7, 0, 0, 0);
    unsorted.AppendCounted(Row(400, 1));
    unsorted.AppendCounted(Row(700, 4));
    unsorted.AppendCounted(Row(500, 2));
    unsorted.AppendCounted(Row(800, 5));
    EXPECT_EQ(unsorted.tableCount, 4u);
    EXPECT_EQ(unsorted.GetRefractiveIndex(550), 2.5);  // the pair (400, 700)
    EXPECT_EQ(unsorted.GetRefractiveIndex(750), 4.5);  // the pair (500, 800)
    EXPECT_EQ(unsorted.GetRefractiveIndex(900), 5.0);
    // A NaN wavelength brackets nowhere: the constant, in sorted and unsorted tables alike.
    EXPECT_EQ(unsorted.GetRefractiveIndex(std::nan("")), 7.0);
    data.SetConstants(8, 0, 0, 0);
    EXPECT_EQ(data.GetRefractiveIndex(std::nan("")), 8.0);
}

TEST(COpticalData, BandModeEdgesAndEmission) {
    COpticalData data;
    data.SetMode(LayerBand);
    data.SetConstants(1.1, 2.2, 0.5, 3.3);
    data.SetBand(10, 20, 30, 40, 1.5, 1.6, 500, 100, 80);
    CRandom random(1);
    for (double w : {450.0, 500.0, 550.0}) {
        EXPECT_EQ(data.GetAbsorption(w), 10.0) << w;
        EXPECT_EQ(data.GetScattering(w), 30.0) << w;
        EXPECT_EQ(data.GetRefractiveIndex(w), 1.5) << w;
        EXPECT_EQ(data.GetEmissionWavelength(w, random), w + 80) << w;
    }
    for (double w : {449.0, 551.0}) {
        EXPECT_EQ(data.GetAbsorption(w), 20.0) << w;
        EXPECT_EQ(data.GetScattering(w), 40.0) << w;
        EXPECT_EQ(data.GetRefractiveIndex(w), 1.6) << w;
        EXPECT_EQ(data.GetEmissionWavelength(w, random), w) << w;
    }
    EXPECT_EQ(data.GetExtinction(500), 0.5);  // no band form
    EXPECT_EQ(data.GetAbsorption(0), 2.2);
    EXPECT_EQ(random.Next(), 41);  // band emission draws nothing
}

TEST(COpticalData, StokesEmissionDrawsOncePerCall) {
    COpticalData data;
    data.SetMode(LayerStokes);
    data.InsertSorted(Row(600, 1, 1), ERowCount::Stokes);
    data.InsertSorted(Row(700, 1, 3), ERowCount::Stokes);
    EXPECT_EQ(data.stokesCount, 2u);
    // Seed 1 draws 41 (u ~ 0.0013, first row), then 18467 (u ~ 0.56, second row).
    CRandom random(1);
    EXPECT_EQ(data.GetEmissionWavelength(500, random), 600.0);
    EXPECT_EQ(data.GetEmissionWavelength(500, random), 700.0);
    EXPECT_EQ(random.Next(), 6334);
    // Wavelength 0 gives 0 and draws nothing.
    EXPECT_EQ(data.GetEmissionWavelength(0, random), 0.0);

    // Over many draws the rows come out in proportion to their weights.
    int first = 0;
    for (int i = 0; i < 40000; ++i) first += data.GetEmissionWavelength(500, random) == 600.0;
    EXPECT_NEAR(first / 40000.0, 0.25, 0.01);

    // All weights zero: the incoming wavelength, after one draw.
    COpticalData zero;
    zero.SetMode(LayerStokes);
    zero.InsertSorted(Row(600, 1, 0), ERowCount::Stokes);
    CRandom again(1);
    EXPECT_EQ(zero.GetEmissionWavelength(512, again), 512.0);
    EXPECT_EQ(again.Next(), 18467);
}

TEST(COpticalData, PlaneTableModeAndEmptyTable) {
    COpticalData plane;
    plane.SetPlaneMode(PlaneTable);
    plane.SetPlaneConstants(100, 2.0, 0.7);
    EXPECT_EQ(plane.GetReflectance(500), 0.7);  // no rows: the constants
    COpticalPoint a, b;
    a.wavelength = 400;
    a.reflectance = 0.2;
    b.wavelength = 600;
    b.reflectance = 0.4;
    plane.InsertSorted(a, ERowCount::Table);
    plane.InsertSorted(b, ERowCount::Table);
    EXPECT_DOUBLE_EQ(plane.GetReflectance(500), 0.3);
    EXPECT_EQ(plane.GetDielectricThickness(500), 0.0);  // the rows' own column
    EXPECT_EQ(plane.GetReflectance(0), 0.7);
    plane.SetPlaneMode(PlaneConstant);
    EXPECT_EQ(plane.GetReflectance(500), 0.7);
    plane.SetPlaneMode(3);  // any other mode acts as constant
    EXPECT_EQ(plane.GetDielectricThickness(500), 100.0);
}

TEST(COpticalData, CopyTakesTheRowsOfTheActiveMode) {
    COpticalData stokes;
    stokes.SetMode(LayerStokes);
    stokes.stokesFile = "emit.txt";
    stokes.InsertSorted(Row(600, 1, 1), ERowCount::Stokes);
    stokes.InsertSorted(Row(700, 2, 1), ERowCount::Stokes);
    stokes.SetConstants(1.2, 3, 0, 4);
    stokes.spareText = "spare";
    COpticalData copy;
    copy.InsertSorted(Row(1, 1), ERowCount::Table);
    copy.CopyFrom(stokes);
    EXPECT_EQ(copy.GetCount(), 2u);
    EXPECT_EQ(copy.stokesCount, 2u);
    EXPECT_EQ(copy.tableCount, 0u);
    EXPECT_EQ(copy[1].rindx, 2.0);
    EXPECT_EQ(copy.stokesFile, "emit.txt");
    EXPECT_EQ(copy.spareText, "spare");
    EXPECT_EQ(copy.GetScattering(0), 4.0);

    // Band mode keeps rows loaded earlier, but a copy takes none of them.
    stokes.SetMode(LayerBand);
    copy.CopyFrom(stokes);
    EXPECT_EQ(copy.GetCount(), 0u);
    EXPECT_EQ(copy.stokesCount, 0u);
}

}  // namespace
}  // namespace brelix
