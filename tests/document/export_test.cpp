#include "document/results_export.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "core/batch_list.h"
#include "core/messages.h"

namespace brelix {
namespace {

namespace fs = std::filesystem;

using Shown = std::vector<std::pair<std::string, std::string>>;

struct CShown : IMessages {
    void Show(const std::string& text, const std::string& tag) override { shown.push_back({text, tag}); }
    Shown shown;
};

// A ray carrying a new result key. Its x and azimuth never get a column: no batch here varies them.
CRay AddKey(CModel& model, double wavelength, double y = 0, double declination = 0) {
    CRay ray;
    ray.wavelength = ray.xSource = ray.azimuth = wavelength;
    ray.ySource = y;
    ray.declination = declination;
    ray.resultIndex = model.FindOrAddResult(ray);
    return ray;
}

CLayer& AddLayer(CModel& model, const std::string& name, const std::vector<std::string>& planes) {
    CLayer& layer = model.Append();
    layer.name = name;
    for (const std::string& plane : planes) layer.Append().name = plane;
    return layer;
}

std::string Repeat(const std::string& text, size_t count) {
    return count > 0 ? text + Repeat(text, count - 1) : "";
}

TEST(FormatResultValue, FixedOrMantissaAndExponent) {
    // "%2.3f" at and above 0.001 and for zero and below; under it the mantissa over 10^trunc(log10(v) - 1).
    // clang-format off
    const std::pair<double, const char*> cases[] = {
        {1234.5678, "1234.568"}, {0.001, "0.001"}, {0.0, "0.000"}, {-1e-9, "-0.000"}, {0.00012, "1.2e-4"},
        {0.00095, "9.5e-4"}, {0.000999, "10.0e-4"}, {0.0005, "5.0e-4"}, {0.0001, "10.0e-5"},
        {1e-300, "10.0e-301"}, {NAN, "nan"}, {HUGE_VAL, "inf"}, {5e-324, "4.9e-324"}, {2.5e-320, "2.5e-320"},
    };
    // clang-format on
    for (const auto& [value, text] : cases) EXPECT_EQ(FormatResultValue(value), text) << value;
}

TEST(FormatBatchResults, SweepColumnsCellsAndTotals) {
    CBatch batch;
    batch.name = "Front";
    batch.traceOps = 1234567;
    batch.wavelengthVaries = batch.yVaries = batch.declinationVaries = batch.zVaries = 1;  // z has no column
    CLayer& glass = AddLayer(batch.model, "Glass", {"Top", "Bottom"});
    CLayer& si = AddLayer(batch.model, "Si", {"Back"});
    // Without results: a rule entry for every varying sweep but none for the layers, and zero totals.
    EXPECT_EQ(FormatBatchResults(batch, 3),
              "Batch 3:\tFront (1.23 Million Trace Ops)\n"
              "\tWlen\tY\tEle\tGlass\tTop\tBottom\tSi\tBack\tRemndr\tLost\tTotal\n" +
                  Repeat("----\t", 1 + 3 + 3) + "\nTotals\t\t\t\t0.000\t0.000\t0.000\t\n");

    const CRay rays[] = {AddKey(batch.model, 500), AddKey(batch.model, 600, 2.5, -45.3)};
    CResultList* col[] = {&glass.results, &glass[0].results, &glass[1].results, &si.results, &si[0].results};
    const double absorbed[] = {0.25, 0.0005, 0, 0.5, 0.125, /* ray 1 */ 0.125, 0.00012, 0.001, 0.75, 0};
    for (int i = 0; i < 10; ++i) col[i % 5]->AddAbsorbed(rays[i / 5], absorbed[i]);
    for (int r : {0, 1}) batch.model.results.AddLost(rays[r], r == 0 ? 0.1244 : 0.12388);
    batch.model.results.AddRemainder(rays[0], 0.0001);
    AddLayer(batch.model, "Air", {"Sky"});  // added after the results: no records, so empty cells
    EXPECT_EQ(
        FormatBatchResults(batch, 0),
        "Batch 0:\tFront (1.23 Million Trace Ops)\n"
        "\tWlen\tY\tEle\tGlass\tTop\tBottom\tSi\tBack\tAir\tSky\tRemndr\tLost\tTotal\n"
        "Ray 0:\t500.0 \t0.0 \t0.0 \t0.250\t5.0e-4\t0.000\t0.500\t0.125\t\t\t10.0e-5\t0.124\t1.000\t\n"
        "Ray 1:\t600.0 \t2.5 \t-45.3 \t0.125\t1.2e-4\t0.001\t0.750\t0.000\t\t\t0.000\t0.124\t1.000\t\n" +
            Repeat("----\t", 1 + 3 + 7 + 3) +
            "\nTotals\t\t\t\t0.375\t6.2e-4\t0.001\t1.250\t0.125\t0.000\t0.000\t10.0e-5\t0.248\t2.000\t\n");
}

TEST(FormatBatchResults, ColumnSumsStopAtTwoHundredColumnsButRowTotalsDoNot) {
    CBatch batch;
    CLayer& layer = AddLayer(batch.model, "L", std::vector<std::string>(250, "P"));
    const CRay ray = AddKey(batch.model, 500);
    layer.results.AddAbsorbed(ray, 1);
    for (CPlane& plane : layer) plane.results.AddAbsorbed(ray, 1);
    EXPECT_EQ(FormatBatchResults(batch, 0), "Batch 0:\t (0.00 Million Trace Ops)\n\tL\t" +
                                                Repeat("P\t", 250) + "Remndr\tLost\tTotal\nRay 0:\t" +
                                                Repeat("1.000\t", 251) + "0.000\t0.000\t251.000\t\n" +
                                                Repeat("----\t", 1 + 200 + 3) + "\nTotals\t" +
                                                Repeat("1.000\t", 200) + "0.000\t0.000\t251.000\t\n");
}

TEST(FormatBatchResults, NamesCannotShiftTheColumns) {
    CBatch batch;
    batch.name = "A\tB\nC";
    AddLayer(batch.model, "L\r\nM", {"P\tQ"});
    EXPECT_EQ(FormatBatchResults(batch, 0),
              "Batch 0:\tA B C (0.00 Million Trace Ops)\n\tL  M\tP Q\tRemndr\tLost\tTotal\n" +
                  Repeat("----\t", 4) + "\nTotals\t0.000\t0.000\t0.000\t\n");
}

// The worker sets the varies flags and adds records while tables are made: every table must be whole, with
// every cell of every row present (a row still being created may show empty ones). Runs under
// ThreadSanitizer too.
TEST(FormatBatchResults, WellFormedWhileTheWorkerAddsResults) {
    CBatch batch;
    CLayer& layer = AddLayer(batch.model, "L", {"A", "B"});
    constexpr size_t kKeys = 20000;
    std::thread worker([&] {
        for (size_t k = 0; k < kKeys; ++k) {
            std::atomic_ref<int32_t>(batch.yVaries).store(k % 2, std::memory_order_relaxed);
            const CRay ray = AddKey(batch.model, 300.0 + k);
            layer.results.AddAbsorbed(ray, 0.5);
            batch.model.results.AddLost(ray, 0.5);
            batch.traceOps += 3;
        }
    });
    size_t rows = 0;
    for (bool done = false; !done && !HasFailure();) {
        done = batch.model.results.GetSize() == kKeys;
        const std::string text = FormatBatchResults(batch, 0);
        rows = std::count(text.begin(), text.end(), '\n') - 4;
        // Tabs: 1 in the title, 6 in the header, 7 in each row, the rule and the totals (4 without rows),
        // and one more in each line but the title when the Y column is shown.
        const long y = text.find("\tY\t") != std::string::npos;
        EXPECT_EQ(std::count(text.begin(), text.end(), '\t'),
                  1 + 6 + y + (rows > 0 ? (7 + y) * (rows + 2) : 2 * (4 + y)));
    }
    worker.join();
    EXPECT_EQ(rows, kKeys);
}

// A scratch folder removed at the end of the test.
struct CScratch {
    CScratch() { fs::create_directories(path); }
    ~CScratch() { fs::remove_all(path); }
    long Files() const { return std::distance(fs::directory_iterator(path), fs::directory_iterator()); }
    const fs::path path = fs::temp_directory_path() / ("brelix-export-" + std::to_string(::getpid()));
};

std::string Contents(const std::string& name) {
    return (std::ostringstream() << std::ifstream(name).rdbuf()).str();
}

TEST(ExportResults, WritesOnlyTheBatchesGivenAndStopsAtTheFirstFailure) {
    CScratch scratch;
    const std::string document = scratch.path / "cell";
    CBatchList list;  // holds one batch to begin with
    list[0].name = "Front";
    for (const char* name : {"Back", "Side", "Top"}) list.Append().name = name;
    std::ofstream(document + "_Front.bxo") << "kept";
    fs::create_directory(document + "_Side.bxo");  // a folder where the file should go
    CShown messages;
    std::vector<std::string> written;
    const uint32_t which[] = {3, 1, 2, 0};
    EXPECT_FALSE(ExportResults(list, which, document, messages, &written));
    EXPECT_EQ(written, (std::vector<std::string>{document + "_Top.bxo", document + "_Back.bxo"}));
    EXPECT_EQ(Contents(document + "_Top.bxo"), FormatBatchResults(list[3], 3));
    EXPECT_EQ(Contents(document + "_Front.bxo"), "kept") << "after the failure";
    EXPECT_EQ(messages.shown,
              (Shown{{"Cannot write file " + document + "_Side.bxo:\nIs a directory.", "Brelix"}}));

    // A number that is not a batch writes nothing.
    fs::remove(document + "_Top.bxo");
    const uint32_t beyond[] = {3, 4};
    EXPECT_FALSE(ExportResults(list, beyond, document, messages));
    EXPECT_EQ(messages.shown.back().first, "Cannot export batch 4: the document's batches are 0 to 3.");
    EXPECT_EQ(scratch.Files(), 3) << "Front, Side and Back; no temporary left";
}

// A batch name is changed in its file name only: so that the file stays in the document's folder, and so
// that no batch of an export overwrites another's file.
TEST(ExportResults, FileNamesStayInTheFolderAndApart) {
    CScratch scratch;
    const std::string document = scratch.path / "cell";
    const auto path = [&](const std::string& name) { return document + "_" + name + ".bxo"; };
    const auto unsafe = [&](int b, const std::string& name) {
        return "The name of batch " + std::to_string(b) +
               " holds '/' or control characters, which become '_' in its file name: its results go to " +
               path(name) + ".";
    };
    const auto taken = [&](int b, int by, const std::string& name) {
        return "Batch " + std::to_string(b) + " would write the same file as batch " + std::to_string(by) +
               ": its results go to " + path(name) + ".";
    };
    // {batch name, name in the file name, message or none}
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"Front", "Front", ""},
        {"../sub/B", ".._sub_B", unsafe(1, ".._sub_B")},
        {"Front", "Front (batch 2)", taken(2, 0, "Front (batch 2)")},
        {std::string("a\0\t\x7f", 4), "a___", unsafe(3, "a___")},
        {"Front (batch 5)", "Front (batch 5)", ""},
        {"Front", "Front (batch 5) (batch 5)", taken(5, 0, "Front (batch 5) (batch 5)")},
    };
    CBatchList list;
    std::vector<uint32_t> which;
    Shown shown;
    std::vector<std::string> paths;
    for (const auto& [name, fileName, message] : cases) {
        (which.empty() ? list[0] : list.Append()).name = name;
        which.push_back(static_cast<uint32_t>(which.size()));
        if (!message.empty()) shown.push_back({message, "Brelix"});
        paths.push_back(path(fileName));
    }
    CShown messages;
    std::vector<std::string> written;
    ASSERT_TRUE(ExportResults(list, which, document, messages, &written));
    EXPECT_EQ(messages.shown, shown);
    EXPECT_EQ(written, paths);
    for (uint32_t b : which) EXPECT_EQ(Contents(paths[b]), FormatBatchResults(list[b], b)) << paths[b];
    EXPECT_EQ(scratch.Files(), 6);
}

// Runs exporting into one folder at once: each export's temporary files are its own, so none ever renames
// another's table into place.
TEST(ExportResults, ConcurrentExportsKeepTheirOwnTables) {
    CScratch scratch;
    constexpr int kRuns = 4;
    CBatchList lists[kRuns];
    std::atomic<int> wrong{0};
    const auto run = [&](int n) {
        const std::string document = scratch.path / std::to_string(n);
        lists[n][0].traceOps = 1000000 * n;
        const std::string expected = FormatBatchResults(lists[n][0], 0);
        CNoMessages messages;
        const uint32_t first[] = {0};
        for (int i = 0; i < 150; ++i) {
            const bool exported = ExportResults(lists[n], first, document, messages);
            std::ifstream in(document + "_.bxo");
            wrong += !exported || (std::ostringstream() << in.rdbuf()).str() != expected;
        }
    };
    std::vector<std::thread> others;
    for (int n = 1; n < kRuns; ++n) others.emplace_back(run, n);
    run(0);
    for (std::thread& other : others) other.join();
    EXPECT_EQ(wrong, 0);
}

}  // namespace
}  // namespace brelix
