#include "trace/ray_sources.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace brelix {
namespace {

std::vector<CRay> Generate(CBatch& batch) {
    std::string error;
    EXPECT_TRUE(GenerateRays(batch, nullptr, error)) << error;
    std::vector<CRay> rays;
    // The queue's head is the last ray generated; list them in generation order.
    for (uint32_t i = batch.rayQueue.GetCount(); i-- > 0;) rays.push_back(batch.rayQueue.FromHead(i));
    return rays;
}

TEST(GenerateRays, LoopOrderKeysAndVariesFlags) {
    CBatch batch;
    batch.model.Append();
    batch.zSweep = {0, 2, 1, 0};
    batch.xSweep = {0, 1, 0.5, 0};
    batch.wavelengthSweep = {400, 500, 100, 0};
    batch.azimuthSweep = {10, 10, 0, 0};
    const std::vector<CRay> rays = Generate(batch);
    ASSERT_EQ(rays.size(), 3u * 3u * 2u);
    // Wavelength innermost, then x, then z outermost.
    EXPECT_EQ(rays[0].wavelength, 400.0);
    EXPECT_EQ(rays[1].wavelength, 500.0);
    EXPECT_EQ(rays[1].xSource, 0.0);
    EXPECT_EQ(rays[2].xSource, 0.5);
    EXPECT_EQ(rays[5].xSource, 1.0);
    EXPECT_EQ(rays[6].zSource, 1.0);
    EXPECT_EQ(rays[17].zSource, 2.0);
    EXPECT_EQ(rays[17].z, 2.0);
    EXPECT_EQ(batch.zVaries, 1);
    EXPECT_EQ(batch.xVaries, 1);
    EXPECT_EQ(batch.wavelengthVaries, 1);
    EXPECT_EQ(batch.azimuthVaries, 0);
    EXPECT_EQ(batch.yVaries, 0);
    // Every ray has its own key, in the order made.
    for (size_t i = 0; i < rays.size(); ++i) {
        EXPECT_EQ(rays[i].resultIndex, static_cast<int32_t>(i));
        EXPECT_EQ(rays[i].intensity, 1.0);
        EXPECT_EQ(rays[i].sourceIntensity, 1.0);
        EXPECT_EQ(rays[i].layer, 0);
        EXPECT_EQ(rays[i].dividesLeft, 1u);
        EXPECT_EQ(rays[i].step, 1.0);
        EXPECT_EQ(rays[i].lastPlane, nullptr);
        EXPECT_EQ(rays[i].azimuth, 10.0);
    }
    EXPECT_EQ(batch.model.results.GetSize(), rays.size());
}

TEST(GenerateRays, DirectionsAndOffsets) {
    CBatch batch;
    batch.model.Append();
    batch.declinationSweep = {0, 90, 90, 0};
    batch.azimuthSweep = {0, 90, 90, 0};
    std::vector<CRay> rays = Generate(batch);
    ASSERT_EQ(rays.size(), 4u);
    EXPECT_NEAR(rays[0].dz, -1.0, 1e-15);  // declination 0: straight down
    EXPECT_NEAR(rays[2].dy, -1.0, 1e-15);  // declination 90, azimuth 0: along -y
    EXPECT_NEAR(rays[3].dx, -1.0, 1e-15);  // declination 90, azimuth 90: along -x

    CBatch shifted;
    shifted.model.Append();
    shifted.xSweep = {1, 1, 0, 0};
    shifted.xOffset = 3;
    shifted.declinationOffset = 10;
    rays = Generate(shifted);
    ASSERT_EQ(rays.size(), 1u);
    EXPECT_EQ(rays[0].x, 4.0);
    EXPECT_EQ(rays[0].xSource, 1.0);
    EXPECT_EQ(rays[0].declination, 0.0);
    EXPECT_NEAR(std::acos(-rays[0].dz) * 180 / M_PI, 10.0, 1e-12);
}

TEST(GenerateRays, SpectrumWeightsAndSpectrumWavelengths) {
    CBatch batch;
    batch.model.Append();
    batch.constantSpectrum = 0;
    batch.fileSpectrum = 1;
    batch.spectrum.InsertSorted(400, 0.5);
    batch.spectrum.InsertSorted(500, 0.8);
    batch.spectrum.InsertSorted(500, 0.9);
    batch.wavelengthSweep = {450, 450, 0, 0};
    std::vector<CRay> rays = Generate(batch);
    ASSERT_EQ(rays.size(), 1u);
    EXPECT_EQ(rays[0].intensity, 0.8);

    batch.rayQueue.RemoveAll();
    batch.model.ClearResults();
    batch.useSpectrumFile = 1;
    batch.wavelengthSweep = {0, 1, 1, 0};
    rays = Generate(batch);
    ASSERT_EQ(rays.size(), 3u);
    EXPECT_EQ(rays[1].wavelength, 500.0);
    // The two rays at 500 nm have the same key and share a record.
    EXPECT_EQ(rays[1].resultIndex, rays[2].resultIndex);
    EXPECT_EQ(batch.model.results.GetSize(), 2u);

    // With a wavelength step of 0 only the first spectrum point is used.
    batch.rayQueue.RemoveAll();
    batch.model.ClearResults();
    batch.wavelengthSweep.step = 0;
    EXPECT_EQ(Generate(batch).size(), 1u);
    EXPECT_EQ(batch.wavelengthVaries, 0);
}

TEST(GenerateRays, EmptyAndRunawaySweeps) {
    CBatch batch;
    batch.model.Append();
    batch.ySweep = {5, 4, 1, 0};  // Stop below Start: no rays at all
    EXPECT_TRUE(Generate(batch).empty());

    CBatch everyStepZero;
    everyStepZero.model.Append();
    everyStepZero.xSweep = {3, 9, 0, 0};
    everyStepZero.declinationSweep = {5, 1, -2, 0};
    EXPECT_EQ(Generate(everyStepZero).size(), 0u);  // declination Stop below Start
    everyStepZero.declinationSweep = {5, 9, -2, 0};
    EXPECT_EQ(Generate(everyStepZero).size(), 1u);

    // A step too small to move the value, or a sweep too long for memory, generates nothing and says so.
    for (CSweep sweep : {CSweep{1e20, 2e20, 1, 0}, CSweep{0, 1, 1e-12, 0}}) {
        CBatch runaway;
        runaway.model.Append();
        runaway.xSweep = sweep;
        std::string error;
        EXPECT_FALSE(GenerateRays(runaway, nullptr, error));
        EXPECT_NE(error.find("source rays"), std::string::npos);
        EXPECT_TRUE(runaway.rayQueue.IsEmpty());
    }
    EXPECT_EQ(CountSweepValues({0, 1, 0.5, 0}, 100), 3u);
    EXPECT_EQ(CountSweepValues({0, 1, 0, 0}, 100), 1u);
    EXPECT_EQ(CountSweepValues({1, 0, 1, 0}, 100), 0u);
    EXPECT_EQ(CountSweepValues({0, 1000, 1, 0}, 100), 101u);
}

}  // namespace
}  // namespace brelix
