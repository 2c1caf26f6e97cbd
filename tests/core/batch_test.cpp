#include "core/batch.h"

#include <gtest/gtest.h>

#include "core/batch_list.h"

namespace brelix {
namespace {

TEST(CBatchList, NeverEmptyWithDefaults) {
    CBatchList list;
    ASSERT_EQ(list.GetCount(), 1u);
    const CBatch& batch = list.Current();
    EXPECT_EQ(batch.minIntensity, 0.001);
    EXPECT_EQ(batch.subdividePosition + batch.subdivideTheta + batch.subdivideXi + batch.subdivideScatter, 122u);
    EXPECT_EQ(batch.interfaceDivides, 1u);
    EXPECT_EQ(batch.constantSpectrum, 1);
    EXPECT_EQ(batch.constantIntensity, 1.0);
    EXPECT_EQ(batch.drawOnRaytrace, 1);
    list.RemoveAt(0);  // the only batch: a new default one takes its place
    EXPECT_EQ(list.GetCount(), 1u);
    list.InsertAfterCurrent();
    EXPECT_EQ(list.GetCurrent(), 1u);
    list.Reset();
    EXPECT_EQ(list.GetCount(), 1u);
    EXPECT_EQ(list.GetCurrent(), 0u);
}

TEST(CBatch, SourceIntensityAndSpectrum) {
    CBatch batch;
    batch.constantIntensity = 0.7;
    EXPECT_EQ(batch.GetSourceIntensity(500), 0.7);
    batch.constantSpectrum = 0;
    batch.fileSpectrum = 1;
    EXPECT_EQ(batch.GetSourceIntensity(500), 1.0);  // empty spectrum
    for (const auto& [w, i] : {std::pair{500.0, 0.8}, {400.0, 0.5}, {450.0, 0.6}, {450.0, 0.7}})
        batch.spectrum.InsertSorted(w, i);
    EXPECT_EQ(batch.spectrum[2].intensity, 0.7);  // equal wavelengths keep file order
    // The first point at or above the wavelength, no interpolation; 1.0 above every point.
    const double expected[][2] = {{300, 0.5}, {400, 0.5}, {420, 0.6}, {500, 0.8}, {600, 1.0}};
    for (const auto& [w, i] : expected) EXPECT_EQ(batch.GetSourceIntensity(w), i) << w;
    batch.fileSpectrum = 0;
    EXPECT_EQ(batch.GetSourceIntensity(400), 1.0);
}

TEST(CBatch, CopyTakesTheStoredSettingsOnly) {
    CBatch from;
    from.name = "Front";
    from.wavelengthSweep = {300, 1200, 10, 5};
    from.zSweep = {1, 2, 3, 0};
    from.xOffset = 4;
    from.interfaceDivides = 3;
    from.zVaries = 1;
    from.spectrum.InsertSorted(500, 0.5);
    from.spectrum[0].extra[4] = 3;
    from.viewFlags[1] = 1;
    from.seed = 99;
    from.traceOps = 1234;
    from.tracing = 1;
    from.model.Append().SetName("Glass");
    from.drawTools.scale = 3;
    from.rayQueue.Push();

    CBatch to;
    to.zSweep = {7, 8, 9, 0};
    to.seed = 5;
    to.CopyFrom(from);
    EXPECT_EQ(to.name, "Front");
    EXPECT_EQ(to.wavelengthSweep.stop, 1200.0);
    EXPECT_EQ(to.wavelengthSweep.plotValue, 0.0);
    EXPECT_EQ(to.interfaceDivides, 3u);
    EXPECT_EQ(to.spectrum[0].extra[4], 3.0);
    EXPECT_EQ(to.viewFlags[1], 1);
    EXPECT_EQ(to.model[0].GetName(), "Glass");
    EXPECT_EQ(to.drawTools.scale, 3.0);
    // Not copied: the z sweep, offsets, zVaries, seed, counters, tracing flag and queue.
    EXPECT_EQ(to.zSweep.start, 7.0);
    EXPECT_EQ(to.xOffset, 0.0);
    EXPECT_EQ(to.zVaries, 0);
    EXPECT_EQ(to.seed, 5u);
    EXPECT_EQ(to.traceOps, 0u);
    EXPECT_EQ(to.tracing, 0u);
    EXPECT_TRUE(to.rayQueue.IsEmpty());
}

TEST(CBatch, ReseedTakesTheTenthDrawAfterTheClock) {
    CBatch batch;
    batch.Reseed(1);
    CRandom random(1);
    int tenth = 0;
    for (int i = 0; i < 10; ++i) tenth = random.Next();
    EXPECT_EQ(batch.seed, static_cast<uint32_t>(tenth));
}

}  // namespace
}  // namespace brelix
