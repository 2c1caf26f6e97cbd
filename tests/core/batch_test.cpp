#include "core/batch.h"

#include <gtest/gtest.h>

#include "core/batch_list.h"
#include "document/results_export.h"
#include "examples/feature_documents.h"
#include "tests/support/draw_recorder.h"
#include "tests/support/trace_helpers.h"

namespace brelix {
namespace {

TEST(CBatchList, NeverEmpty) {
    CBatchList list;
    ASSERT_EQ(list.GetCount(), 1u);
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

// A copy takes everything a trace depends on: traced with the same seed it gives the same results table
// and the same drawing.
TEST(CBatch, ACopyTracesAndDrawsLikeItsOriginal) {
    for (auto build : {samples::BuildInterfaceDocument, samples::BuildReflectorDocument,
                       samples::BuildTextureDocument, samples::BuildScatteringDocument, samples::BuildDrawnDocument}) {
        CBatchList originals;
        build(originals);
        for (CBatch& original : originals) {
            CBatch copy;
            copy.CopyFrom(original);
            std::string traced[2];
            for (CBatch* batch : {&original, &copy}) {
                batch->seed = 7;
                test::CDrawRecorder surface;
                test::TraceSynchronously(*batch, UINT64_MAX, &surface);
                traced[batch == &copy] = FormatBatchResults(*batch, 0) + surface.Text();
            }
            EXPECT_EQ(traced[1], traced[0]) << original.name;
        }
    }
}

TEST(CBatch, ReseedTakesTheTenthDrawAfterTheClock) {
    CBatch batch;
    batch.Reseed(1);
    EXPECT_EQ(batch.seed, 24464u);  // 41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464
}

}  // namespace
}  // namespace brelix
