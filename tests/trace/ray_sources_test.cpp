#include "trace/ray_sources.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace brelix {
namespace {

// The rays of a batch in generation order, made from their indices; nothing is queued up front.
std::vector<CRay> Generate(CBatch& batch) {
    EXPECT_EQ(GenerateRays(batch, nullptr), EGeneration::Done);
    EXPECT_TRUE(batch.rayQueue.IsEmpty());
    std::vector<CRay> rays(batch.sources.Left());
    for (uint64_t i = 0; i < rays.size(); ++i) batch.sources.Make(i, rays[i]);
    batch.model.ClearResults();
    return rays;
}

TEST(GenerateRays, SweepsNestZYXDeclinationAzimuthWavelength) {
    CBatch batch;
    batch.model.Append();
    // Two values on every axis: the bits of a ray's number, from the outermost loop, are its values.
    batch.zSweep = {0, 1, 1, 0};
    batch.ySweep = {10, 11, 1, 0};
    batch.xSweep = {20, 21, 1, 0};
    batch.declinationSweep = {30, 31, 1, 0};
    batch.azimuthSweep = {40, 41, 1, 0};
    batch.wavelengthSweep = {500, 501, 1, 0};
    const std::vector<CRay> rays = Generate(batch);
    ASSERT_EQ(rays.size(), 64u);
    for (int i = 0; i < 64; ++i) {
        const CRay& ray = rays[static_cast<size_t>(i)];
        auto bit = [i](int b) { return static_cast<double>((i >> b) & 1); };
        SCOPED_TRACE(i);
        EXPECT_EQ(ray.zSource, bit(5));
        EXPECT_EQ(ray.ySource, 10 + bit(4));
        EXPECT_EQ(ray.xSource, 20 + bit(3));
        EXPECT_EQ(ray.declination, 30 + bit(2));
        EXPECT_EQ(ray.azimuth, 40 + bit(1));
        EXPECT_EQ(ray.wavelength, 500 + bit(0));
        EXPECT_EQ(ray.resultIndex, i);
        EXPECT_EQ(ray.intensity, 1.0);
        EXPECT_EQ(ray.dividesLeft, 1u);
    }
    for (int32_t varies : {batch.zVaries, batch.yVaries, batch.xVaries, batch.declinationVaries,
                           batch.azimuthVaries, batch.wavelengthVaries})
        EXPECT_EQ(varies, 1);
}

// Declination is measured from straight down, azimuth from -y toward -x.
TEST(GenerateRays, EachOffsetMovesItsOwnAxisAndTheKeyKeepsTheSweptValue) {
    CBatch batch;
    batch.model.Append();
    batch.xSweep = {1, 1, 0, 0};
    batch.ySweep = {2, 2, 0, 0};
    batch.zSweep = {3, 3, 0, 0};
    batch.declinationSweep = {60, 60, 0, 0};
    batch.xOffset = 0.25;
    batch.yOffset = 0.5;
    batch.zOffset = 0.75;
    std::vector<CRay> rays = Generate(batch);
    EXPECT_EQ(rays[0].x, 1.25);
    EXPECT_EQ(rays[0].y, 2.5);
    EXPECT_EQ(rays[0].z, 3.75);
    EXPECT_NEAR(rays[0].dy, -std::sqrt(0.75), 1e-15);
    EXPECT_NEAR(rays[0].dz, -0.5, 1e-15);

    batch.declinationOffset = 30;  // declination 90: horizontal
    batch.azimuthOffset = 90;      // along -x
    rays = Generate(batch);
    EXPECT_NEAR(rays[0].dx, -1.0, 1e-15);
    EXPECT_NEAR(rays[0].dz, 0.0, 1e-15);
    EXPECT_EQ(rays[0].declination, 60.0);
    EXPECT_EQ(rays[0].azimuth, 0.0);
    batch.declinationOffset = 0;  // the azimuth alone turns a ray at declination 60 toward -x
    rays = Generate(batch);
    EXPECT_NEAR(rays[0].dx, -std::sqrt(0.75), 1e-15);
    EXPECT_NEAR(rays[0].dz, -0.5, 1e-15);
    EXPECT_EQ(rays[0].xSource, 1.0);
    EXPECT_EQ(rays[0].ySource, 2.0);
    EXPECT_EQ(rays[0].zSource, 3.0);
}

TEST(GenerateRays, SpectrumWeightsAndPoints) {
    CBatch batch;
    batch.model.Append();
    // Spectrum weights, and the spectrum's own wavelengths: equal keys share a record.
    batch.constantSpectrum = 0;
    batch.fileSpectrum = 1;
    for (const auto& [w, i] : {std::pair{400.0, 0.5}, {500.0, 0.8}, {500.0, 0.9}}) batch.spectrum.InsertSorted(w, i);
    batch.wavelengthSweep = {450, 450, 0, 0};
    EXPECT_EQ(Generate(batch)[0].intensity, 0.8);
    batch.useSpectrumFile = 1;
    batch.wavelengthSweep = {0, 1, 1, 0};
    const std::vector<CRay> rays = Generate(batch);
    ASSERT_EQ(rays.size(), 3u);
    EXPECT_EQ(rays[1].resultIndex, rays[2].resultIndex);
    batch.wavelengthSweep.step = 0;  // only the first spectrum point
    EXPECT_EQ(Generate(batch).size(), 1u);
}

// Rows are laid out in the order the rays meet their keys; rays of equal keys share one without a lookup,
// and the rays launch from the last down, as a last-in first-out queue of them would give them.
TEST(GenerateRays, RowsInGenerationOrderSharedByEqualKeysAndLaunchedFromTheLast) {
    CBatch batch;
    batch.model.Append().Append();
    batch.xSweep = {0, 1, 1, 0};
    batch.constantSpectrum = 0;
    batch.fileSpectrum = 1;
    batch.useSpectrumFile = 1;
    batch.wavelengthSweep = {0, 1, 1, 0};
    for (double w : {700.0, 500.0, 700.0, -0.0, 0.0, 500.0}) {
        CSpectrumPoint& point = batch.spectrum.InsertAt(batch.spectrum.GetCount());  // in file order, unsorted
        point.wavelength = w;
        point.intensity = w / 100 + 1;
    }
    EXPECT_EQ(CountResultRows(batch), 6u);
    ASSERT_EQ(GenerateRays(batch, nullptr), EGeneration::Done);
    ASSERT_EQ(batch.model.results.GetSize(), 6u);
    ASSERT_EQ(batch.model[0][0].results.GetSize(), 6u);
    for (uint32_t row = 0; row < 6; ++row) {
        EXPECT_EQ(batch.model.results[row].key.x, row < 3 ? 0.0 : 1.0);
        EXPECT_EQ(batch.model[0][0].results[row].key, batch.model.results[row].key);
    }
    const int32_t rows[] = {0, 1, 0, 2, 2, 1, 3, 4, 3, 5, 5, 4};
    CModel lookedUp;
    for (uint64_t i = 0; i < 12; ++i) {
        CRay ray;
        batch.sources.Make(i, ray);
        EXPECT_EQ(ray.resultIndex, rows[i]) << i;
        EXPECT_EQ(lookedUp.FindOrAddResult(ray), rows[i]) << i;
        EXPECT_EQ(ray.sourceIntensity, batch.spectrum.Lookup(ray.wavelength)) << i;
    }
    CRay first;
    ASSERT_TRUE(batch.sources.LaunchNext(first));
    EXPECT_EQ(first.resultIndex, 4);
    EXPECT_EQ(first.xSource, 1.0);
    EXPECT_EQ(batch.sources.Left(), 11u);
}

TEST(CSpectrumIndex, AnswersAsTheScanInAnyOrder) {
    CSpectrum spectrum;
    uint32_t state = 7;
    for (int i = 0; i < 300; ++i) {
        state = state * 214013u + 2531011u;
        CSpectrumPoint& point = spectrum.InsertAt(spectrum.GetCount());
        point.wavelength = 400 + (state >> 16) % 50;
        point.intensity = i;
    }
    const CSpectrumIndex index(spectrum);
    for (double w = 390; w <= 460; w += 0.5) EXPECT_EQ(index.Lookup(w), spectrum.Lookup(w)) << w;
}

TEST(GenerateRays, EmptyAndRunawaySweeps) {
    CBatch batch;
    batch.model.Append();
    batch.ySweep = {5, 4, 1, 0};  // Stop below Start: no rays at all
    EXPECT_TRUE(Generate(batch).empty());
    batch.ySweep = {5, 9, -2, 0};  // a step of 0 or less: one value
    EXPECT_EQ(Generate(batch).size(), 1u);

    // A step too small to move the value on: a sweep already at Stop has its one value; one below Stop
    // would never end.
    batch.xSweep = {600, 600, 1.6e-314, 0};
    EXPECT_EQ(Generate(batch).size(), 1u);
    bool stalls = false;
    EXPECT_EQ(CountSweepValues(batch.xSweep, 100, &stalls), 1u);
    EXPECT_FALSE(stalls);
    EXPECT_EQ(CountSweepValues({600, 601, 1e-14, 0}, 100, &stalls), 101u);
    EXPECT_TRUE(stalls);
    // An empty sweep empties the batch at once, however slowly the other sweeps would move.
    batch.wavelengthSweep = {500, 400, 10, 0};
    batch.declinationSweep = {0, 60, 1e-80, 0};
    EXPECT_TRUE(Generate(batch).empty());
    EXPECT_EQ(CountSweepValues({0, 1, 0.5, 0}, 100), 3u);
    EXPECT_EQ(CountSweepValues({0, 1000, 1, 0}, 100), 101u);
}

}  // namespace
}  // namespace brelix
