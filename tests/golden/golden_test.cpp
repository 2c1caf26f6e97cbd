// Golden traces: what a user gets from a trace, compared byte for byte with the text committed beside
// this file. The results tables of every example document and of small documents that use every feature,
// each at two seeds, as "brelix-cli trace --all --seed S --threads 0" (the single worker of the desktop
// application) prints them, and the drawing of a small document. A faster trace must leave all of them
// unchanged.
//
// BRELIX_UPDATE_GOLDEN=1 writes the files instead of comparing (scripts/update-golden does it).

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "cli/runner.h"
#include "document/results_export.h"
#include "examples/feature_documents.h"
#include "tests/golden/golden_files.h"
#include "tests/support/draw_recorder.h"

namespace brelix {
namespace {

using test::ExpectGolden;
using test::SeedName;
using test::TraceAll;

constexpr uint32_t kSeeds[] = {0, 4242};
constexpr const char* kExamples[] = {"planar_wafer",  "ar_coated_wafer",   "lambertian_rear",
                                     "textured_cell", "luminescent_layer", "wavelength_sweep"};

TEST(Golden, ExampleDocumentsAsTheRunnerPrintsThem) {
    for (const char* name : kExamples) {
        for (uint32_t seed : kSeeds) {
            SCOPED_TRACE(name);
            std::ostringstream out, err;
            CCliEnvironment environment{out, err, false, nullptr};
            const std::string document = std::string(BRELIX_EXAMPLES) + "/" + name + ".brx";
            ASSERT_EQ(
                RunCli({"trace", document, "--all", "--seed", std::to_string(seed), "--threads", "0", "--quiet"},
                       environment),
                ExitOk)
                << err.str();
            ExpectGolden(name + SeedName(seed), out.str());
        }
    }
}

TEST(Golden, FeatureDocuments) {
    for (const samples::CFeatureDocument& document : samples::kFeatureDocuments) {
        for (uint32_t seed : kSeeds) {
            SCOPED_TRACE(document.name);
            CBatchList list;
            document.build(list);
            ExpectGolden(std::string("features_") + document.name + SeedName(seed), TraceAll(list, seed));
        }
    }
}

TEST(Golden, DrawingOfATrace) {
    CBatchList list;
    samples::BuildDrawnDocument(list);
    test::CDrawRecorder surface;
    EXPECT_EQ(test::TraceOnWorker(list, 0, surface), "");
    ExpectGolden("drawn.lines.txt", surface.Text());
    ExpectGolden("drawn" + SeedName(0), FormatBatchResults(list[0], 0));
}

}  // namespace
}  // namespace brelix
