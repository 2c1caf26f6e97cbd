#include "trace/ray_sources.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace brelix {
namespace {

// The rays of a batch in generation order (the queue's head is the last one made).
std::vector<CRay> Generate(CBatch& batch) {
    EXPECT_EQ(GenerateRays(batch, nullptr), EGeneration::Done);
    std::vector<CRay> rays;
    for (uint32_t i = batch.rayQueue.GetCount(); i-- > 0;) rays.push_back(batch.rayQueue.FromHead(i));
    batch.rayQueue.RemoveAll();
    batch.model.ClearResults();
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
    ASSERT_EQ(rays.size(), 18u);
    // Wavelength innermost, then x, then z outermost; each ray its own key.
    EXPECT_EQ(rays[1].wavelength, 500.0);
    EXPECT_EQ(rays[2].xSource, 0.5);
    EXPECT_EQ(rays[6].zSource, 1.0);
    EXPECT_EQ(rays[17].z, 2.0);
    for (size_t i = 0; i < rays.size(); ++i) {
        EXPECT_EQ(rays[i].resultIndex, static_cast<int32_t>(i));
        EXPECT_EQ(rays[i].intensity, 1.0);
        EXPECT_EQ(rays[i].dividesLeft, 1u);
        EXPECT_EQ(rays[i].step, 1.0);
    }
    EXPECT_EQ(batch.zVaries + batch.xVaries + batch.wavelengthVaries, 3);
    EXPECT_EQ(batch.azimuthVaries + batch.yVaries, 0);
}

TEST(GenerateRays, DirectionsOffsetsAndSpectrum) {
    CBatch batch;
    batch.model.Append();
    batch.declinationSweep = {0, 90, 90, 0};
    batch.azimuthSweep = {0, 90, 90, 0};
    std::vector<CRay> rays = Generate(batch);
    EXPECT_NEAR(rays[0].dz, -1.0, 1e-15);  // declination 0: straight down
    EXPECT_NEAR(rays[2].dy, -1.0, 1e-15);  // declination 90, azimuth 0: along -y
    EXPECT_NEAR(rays[3].dx, -1.0, 1e-15);  // declination 90, azimuth 90: along -x

    // Offsets move the ray, not its key.
    batch.declinationSweep = batch.azimuthSweep = {};
    batch.xSweep = {1, 1, 0, 0};
    batch.xOffset = 3;
    batch.declinationOffset = 10;
    rays = Generate(batch);
    EXPECT_EQ(rays[0].x, 4.0);
    EXPECT_EQ(rays[0].xSource, 1.0);
    EXPECT_EQ(rays[0].declination, 0.0);
    EXPECT_NEAR(std::acos(-rays[0].dz) * 180 / M_PI, 10.0, 1e-12);

    // Spectrum weights, and the spectrum's own wavelengths: equal keys share a record.
    batch.constantSpectrum = 0;
    batch.fileSpectrum = 1;
    for (const auto& [w, i] : {std::pair{400.0, 0.5}, {500.0, 0.8}, {500.0, 0.9}}) batch.spectrum.InsertSorted(w, i);
    batch.wavelengthSweep = {450, 450, 0, 0};
    EXPECT_EQ(Generate(batch)[0].intensity, 0.8);
    batch.useSpectrumFile = 1;
    batch.wavelengthSweep = {0, 1, 1, 0};
    rays = Generate(batch);
    ASSERT_EQ(rays.size(), 3u);
    EXPECT_EQ(rays[1].resultIndex, rays[2].resultIndex);
    batch.wavelengthSweep.step = 0;  // only the first spectrum point
    EXPECT_EQ(Generate(batch).size(), 1u);
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
    EXPECT_EQ(CountSweepValues({0, 1, 0.5, 0}, 100), 3u);
    EXPECT_EQ(CountSweepValues({0, 1000, 1, 0}, 100), 101u);
}

}  // namespace
}  // namespace brelix
