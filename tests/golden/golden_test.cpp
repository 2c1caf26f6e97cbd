// Golden traces: what a user gets from a trace, compared byte for byte with the text committed beside
// this file. The results tables of every example document and of small documents that use every feature,
// each at two seeds, as "brelix-cli trace --all --seed S" prints them, and the drawing of a small
// document. A faster or parallel trace must leave all of them unchanged.
//
// BRELIX_UPDATE_GOLDEN=1 writes the files instead of comparing (scripts/update-golden does it).

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/runner.h"
#include "document/results_export.h"
#include "examples/feature_documents.h"
#include "tests/support/draw_recorder.h"

namespace brelix {
namespace {

constexpr uint32_t kSeeds[] = {0, 4242};
constexpr const char* kExamples[] = {"planar_wafer",  "ar_coated_wafer",   "lambertian_rear",
                                     "textured_cell", "luminescent_layer", "wavelength_sweep"};

bool Regenerating() {
    const char* value = std::getenv("BRELIX_UPDATE_GOLDEN");
    return value != nullptr && std::string(value) == "1";
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Compares `actual` with the golden file `name`, or writes the file when regenerating. A difference is
// reported at its first line, which is where a change of behaviour shows first.
void ExpectGolden(const std::string& name, const std::string& actual) {
    const std::filesystem::path path = std::filesystem::path(BRELIX_GOLDEN) / name;
    if (Regenerating()) {
        std::ofstream(path, std::ios::binary) << actual;
        return;
    }
    std::ifstream in(path, std::ios::binary);
    const std::string expected(std::istreambuf_iterator<char>(in), {});
    if (actual == expected) return;

    const std::vector<std::string> want = Lines(expected), got = Lines(actual);
    size_t line = 0;
    while (line < want.size() && line < got.size() && want[line] == got[line]) ++line;
    auto shown = [](const std::vector<std::string>& lines, size_t i) {
        return i < lines.size() ? "\"" + lines[i] + "\"" : std::string("(end of text)");
    };
    ADD_FAILURE() << path.string() << ":" << line + 1 << ": the trace differs from the golden file\n"
                  << "  expected: " << shown(want, line) << "\n"
                  << "  actual:   " << shown(got, line) << "\n"
                  << "If the change is intended, run scripts/update-golden and explain in the commit message "
                     "why the golden traces changed.";
}

std::string SeedName(uint32_t seed) {
    return ".seed" + std::to_string(seed) + ".txt";
}

struct CCollected : IMessages {
    void Show(const std::string& text, const std::string& caption) override {
        std::lock_guard lock(mutex);
        shown += caption + ": " + text + "\n";
    }
    std::mutex mutex;
    std::string shown;
};

// Traces a batch on the document's worker as the runner does, to the end.
void TraceOnWorker(CBatchList& list, uint32_t number, IDrawSurface& surface) {
    CBatch& batch = list[number];
    CCollected messages;
    batch.tracing = 1;
    list.worker.batchRequest = 1;
    list.worker.Start(&batch, &surface, &messages);
    list.worker.Resume();
    while (list.worker.IsAlive()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    list.worker.Stop();
    EXPECT_EQ(messages.shown, "") << "batch " << number;
}

// Every batch's results table, joined as the runner prints them.
std::string TraceAll(CBatchList& list, uint32_t seed) {
    std::string text;
    CNullSurface surface;
    for (uint32_t n = 0; n < list.GetCount(); ++n) {
        list[n].seed = seed;
        list[n].drawOnRaytrace = 0;
        TraceOnWorker(list, n, surface);
        text += (n > 0 ? "\n" : "") + FormatBatchResults(list[n], n);
    }
    return text;
}

TEST(Golden, ExampleDocumentsAsTheRunnerPrintsThem) {
    for (const char* name : kExamples) {
        for (uint32_t seed : kSeeds) {
            SCOPED_TRACE(name);
            std::ostringstream out, err;
            CCliEnvironment environment{out, err, false, nullptr};
            const std::string document = std::string(BRELIX_EXAMPLES) + "/" + name + ".brx";
            ASSERT_EQ(
                RunCli({"trace", document, "--all", "--seed", std::to_string(seed), "--quiet"}, environment),
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
    TraceOnWorker(list, 0, surface);
    ExpectGolden("drawn.lines.txt", surface.Text());
    ExpectGolden("drawn" + SeedName(0), FormatBatchResults(list[0], 0));
}

}  // namespace
}  // namespace brelix
