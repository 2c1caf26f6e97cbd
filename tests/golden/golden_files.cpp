#include "tests/golden/golden_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include "document/results_export.h"

namespace brelix::test {

namespace {

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

struct CCollected : IMessages {
    void Show(const std::string& text, const std::string& caption) override {
        std::lock_guard lock(mutex);
        shown += caption + ": " + text + "\n";
    }
    std::mutex mutex;
    std::string shown;
};

}  // namespace

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

std::string SeedName(uint32_t seed) { return ".seed" + std::to_string(seed) + ".txt"; }

std::string TraceOnWorker(CBatchList& list, uint32_t number, IDrawSurface& surface) {
    CBatch& batch = list[number];
    CCollected messages;
    batch.tracing = 1;
    list.worker.batchRequest = 1;
    list.worker.Start(&batch, &surface, &messages);
    list.worker.Resume();
    while (list.worker.IsAlive()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    list.worker.Stop();
    return messages.shown;
}

std::string TraceAll(CBatchList& list, uint32_t seed) {
    std::string text;
    CNullSurface surface;
    for (uint32_t n = 0; n < list.GetCount(); ++n) {
        list[n].seed = seed;
        list[n].drawOnRaytrace = 0;
        const std::string shown = TraceOnWorker(list, n, surface);
        text += (n > 0 ? "\n" : "") + FormatBatchResults(list[n], n) + shown;
    }
    return text;
}

}  // namespace brelix::test
