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
    EXPECT_EQ(batch.interfaceDivides, 1u);
    EXPECT_EQ(batch.subdividePosition, 100u);
    EXPECT_EQ(batch.subdivideTheta, 4u);
    EXPECT_EQ(batch.subdivideXi, 16u);
    EXPECT_EQ(batch.subdivideScatter, 2u);
    EXPECT_EQ(batch.constantSpectrum, 1);
    EXPECT_EQ(batch.constantIntensity, 1.0);
    EXPECT_EQ(batch.drawOnRaytrace, 1);
    EXPECT_EQ(batch.spareFlag, 1);
    EXPECT_EQ(batch.viewFlags[0], 1);

    CBatch* only = &list.Current();
    list.RemoveAt(0);
    ASSERT_EQ(list.GetCount(), 1u);
    EXPECT_NE(list.GetAt(0), nullptr);
    EXPECT_EQ(list.GetCurrent(), 0u);
    (void)only;

    CBatch& second = list.InsertAfterCurrent();
    EXPECT_EQ(list.GetCurrent(), 1u);
    EXPECT_EQ(&list.Current(), &second);
    list.Append();
    list.Reset();
    EXPECT_EQ(list.GetCount(), 1u);
    EXPECT_EQ(list.GetCurrent(), 0u);
}

TEST(CBatch, SourceIntensityAndSpectrumLookup) {
    CBatch batch;
    batch.constantIntensity = 0.7;
    EXPECT_EQ(batch.GetSourceIntensity(500), 0.7);

    batch.constantSpectrum = 0;
    batch.fileSpectrum = 1;
    EXPECT_EQ(batch.GetSourceIntensity(500), 1.0);  // empty spectrum
    batch.spectrum.InsertSorted(500, 0.8);
    batch.spectrum.InsertSorted(400, 0.5);
    EXPECT_EQ(batch.GetSourceIntensity(300), 0.5);
    EXPECT_EQ(batch.GetSourceIntensity(400), 0.5);
    EXPECT_EQ(batch.GetSourceIntensity(450), 0.8);  // the upper point, no interpolation
    EXPECT_EQ(batch.GetSourceIntensity(500), 0.8);
    EXPECT_EQ(batch.GetSourceIntensity(600), 1.0);

    batch.fileSpectrum = 0;
    for (double w : {300.0, 450.0, 600.0}) EXPECT_EQ(batch.GetSourceIntensity(w), 1.0);
}

TEST(CSpectrum, SortedInsertionKeepsFileOrderOfEqualWavelengths) {
    CSpectrum spectrum;
    spectrum.InsertSorted(500, 1);
    spectrum.InsertSorted(400, 2);
    spectrum.InsertSorted(450, 3);
    spectrum.InsertSorted(450, 4);
    spectrum.InsertSorted(300, 5);
    ASSERT_EQ(spectrum.GetCount(), 5u);
    const double expected[][2] = {{300, 5}, {400, 2}, {450, 3}, {450, 4}, {500, 1}};
    for (uint32_t i = 0; i < 5; ++i) {
        EXPECT_EQ(spectrum[i].wavelength, expected[i][0]);
        EXPECT_EQ(spectrum[i].intensity, expected[i][1]);
    }
    EXPECT_EQ(spectrum.GetCurrent(), 0u);
}

TEST(CBatch, CopyTakesTheStoredSettingsOnly) {
    CBatch from;
    from.name = "Front";
    from.wavelengthSweep = {300, 1200, 10, 5};
    from.xSweep = {0, 1, 0.5, 0};
    from.zSweep = {1, 2, 3, 0};
    from.xOffset = 4;
    from.declinationOffset = 9;
    from.minIntensity = 1e-4;
    from.interfaceDivides = 3;
    from.subdivideScatter = 7;
    from.xVaries = 1;
    from.zVaries = 1;
    from.spareFlag = 0;
    from.constantSpectrum = 0;
    from.fileSpectrum = 1;
    from.spectrumFile = "am15g.txt";
    from.useSpectrumFile = 1;
    from.spectrum.InsertSorted(500, 0.5);
    from.spectrum[0].extra[4] = 3;
    from.drawOnRaytrace = 0;
    from.viewFlags[1] = 1;
    from.constantIntensity = 2;
    from.seed = 99;
    from.traceOps = 1234;
    from.tracing = 1;
    from.model.Append().SetName("Glass");
    from.drawTools.scale = 3;
    from.rayQueue.Push();

    CBatch to;
    to.zSweep = {7, 8, 9, 0};
    to.seed = 5;
    to.spectrum.InsertSorted(100, 1);
    to.CopyFrom(from);
    EXPECT_EQ(to.name, "Front");
    EXPECT_EQ(to.wavelengthSweep.stop, 1200.0);
    EXPECT_EQ(to.wavelengthSweep.plotValue, 0.0);
    EXPECT_EQ(to.xSweep.step, 0.5);
    EXPECT_EQ(to.minIntensity, 1e-4);
    EXPECT_EQ(to.interfaceDivides, 3u);
    EXPECT_EQ(to.subdivideScatter, 7u);
    EXPECT_EQ(to.xVaries, 1);
    EXPECT_EQ(to.spareFlag, 0);
    EXPECT_EQ(to.fileSpectrum, 1);
    EXPECT_EQ(to.spectrumFile, "am15g.txt");
    EXPECT_EQ(to.useSpectrumFile, 1);
    ASSERT_EQ(to.spectrum.GetCount(), 1u);
    EXPECT_EQ(to.spectrum[0].extra[4], 3.0);
    EXPECT_EQ(to.drawOnRaytrace, 0);
    EXPECT_EQ(to.viewFlags[1], 1);
    EXPECT_EQ(to.constantIntensity, 2.0);
    EXPECT_EQ(to.model[0].GetName(), "Glass");
    EXPECT_EQ(to.drawTools.scale, 3.0);
    // Not copied: the z sweep, offsets, zVaries, seed, counters, tracing flag and queue.
    EXPECT_EQ(to.zSweep.start, 7.0);
    EXPECT_EQ(to.xOffset, 0.0);
    EXPECT_EQ(to.declinationOffset, 0.0);
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
    batch.Reseed(1);
    EXPECT_EQ(batch.seed, static_cast<uint32_t>(tenth));
    batch.Reseed(2);
    EXPECT_NE(batch.seed, static_cast<uint32_t>(tenth));
}

}  // namespace
}  // namespace brelix
