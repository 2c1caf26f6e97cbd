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

struct CShown : IMessages {
    void Show(const std::string& text, const std::string& tag) override { shown.push_back({text, tag}); }
    std::vector<std::pair<std::string, std::string>> shown;
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

TEST(ExportResults, OneFilePerBatchAndTheFirstFailureEndsTheExport) {
    const fs::path dir = fs::temp_directory_path() / ("brelix-export-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string document = dir / "cell";
    const auto contents = [&](const std::string& name) {
        return (std::ostringstream() << std::ifstream(document + name).rdbuf()).str();
    };
    CShown messages;
    CBatchList list;  // holds one batch to begin with
    list[0].name = "Front";
    for (const char* name : {"Back", "Front"}) list.Append().name = name;
    EXPECT_TRUE(ExportResults(list, document, messages));
    EXPECT_EQ(contents("_Front.bxo"), FormatBatchResults(list[2], 2)) << "the later batch replaces the rest";

    // A file keeps its permissions when replaced. The batch name goes into the file name as it is: "sub/B"
    // names a file in a folder that is not there.
    fs::permissions(document + "_Front.bxo", fs::perms(0600));
    list.RemoveAll();
    for (const char* name : {"Front", "sub/B", "C"}) list.Append().name = name;
    EXPECT_FALSE(ExportResults(list, document, messages));
    EXPECT_EQ(contents("_Front.bxo"), FormatBatchResults(list[0], 0));
    EXPECT_EQ(fs::status(document + "_Front.bxo").permissions(), fs::perms(0600));
    const std::string reason = "Cannot write file " + document + "_sub/B.bxo:\nNo such file or directory.";
    EXPECT_EQ(messages.shown, (decltype(messages.shown){{reason, "Brelix"}}));
    // Front and Back: none is written after the failure, and no temporary is left.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
    fs::remove_all(dir);
}

// Runs exporting into one folder at once: each export's temporary files are its own, so none ever renames
// another's table into place.
TEST(ExportResults, ConcurrentExportsKeepTheirOwnTables) {
    const fs::path dir = fs::temp_directory_path() / ("brelix-concurrent-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    constexpr int kRuns = 4;
    CBatchList lists[kRuns];
    std::atomic<int> wrong{0};
    const auto run = [&](int n) {
        const std::string document = dir / std::to_string(n);
        lists[n][0].traceOps = 1000000 * n;
        const std::string expected = FormatBatchResults(lists[n][0], 0);
        CNoMessages messages;
        for (int i = 0; i < 150; ++i) {
            const bool exported = ExportResults(lists[n], document, messages);
            std::ifstream in(document + "_.bxo");
            wrong += !exported || (std::ostringstream() << in.rdbuf()).str() != expected;
        }
    };
    std::vector<std::thread> others;
    for (int n = 1; n < kRuns; ++n) others.emplace_back(run, n);
    run(0);
    for (std::thread& other : others) other.join();
    EXPECT_EQ(wrong, 0);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace brelix
