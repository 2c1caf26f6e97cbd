#include "document/results_export.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/batch_list.h"
#include "core/messages.h"

namespace brelix {
namespace {

namespace fs = std::filesystem;

class CShown : public IMessages {
public:
    void Show(const std::string& text, const std::string& caption) override {
        shown.push_back({text, caption});
    }
    std::vector<std::pair<std::string, std::string>> shown;
};

// A ray carrying a result key, placed on its result records.
CRay AddKey(CModel& model, double wavelength, double x = 0, double y = 0, double azimuth = 0,
            double declination = 0) {
    CRay ray;
    ray.wavelength = wavelength;
    ray.xSource = x;
    ray.ySource = y;
    ray.azimuth = azimuth;
    ray.declination = declination;
    ray.sourceIntensity = 1;
    ray.resultIndex = model.FindOrAddResult(ray);
    return ray;
}

CLayer& AddLayer(CModel& model, const std::string& name, std::vector<std::string> planes) {
    CLayer& layer = model.Append();
    layer.name = name;
    for (const std::string& plane : planes) layer.Append().name = plane;
    return layer;
}

std::string Repeat(const std::string& text, size_t times) {
    std::string out;
    for (size_t i = 0; i < times; ++i) out += text;
    return out;
}

// ---- Number format and table text ----

TEST(FormatResultValue, FixedOrMantissaAndExponent) {
    const double inf = std::numeric_limits<double>::infinity();
    // clang-format off
    const std::pair<double, const char*> cases[] = {
        // "%2.3f" at and above 0.001, and for zero and below
        {0.25, "0.250"},     {12.5, "12.500"},    {1234.5678, "1234.568"}, {0.001, "0.001"},
        {0.0, "0.000"},      {-0.0, "-0.000"},    {-0.25, "-0.250"},       {-1e-9, "-0.000"},
        // below 0.001: the mantissa over 10^trunc(log10(v) - 1), which reaches 10.0
        {0.0005, "5.0e-4"},  {0.00012, "1.2e-4"}, {0.00095, "9.5e-4"},     {0.00062, "6.2e-4"},
        {0.0001, "10.0e-5"}, {0.000999, "10.0e-4"}, {0.0009999999, "10.0e-4"}, {3.3e-7, "3.3e-7"},
        {1e-7, "10.0e-8"},   {1e-300, "10.0e-301"},
        // Values no trace makes must still come out: 10^-324 underflows to 0, so the smallest double
        // gets an infinite mantissa.
        {std::numeric_limits<double>::quiet_NaN(), "nan"}, {inf, "inf"}, {-inf, "-inf"},
        {std::numeric_limits<double>::denorm_min(), "infe-324"},
    };
    // clang-format on
    for (const auto& [value, text] : cases) EXPECT_EQ(FormatResultValue(value), text) << value;
}

TEST(FormatBatchResults, SweepColumnsCellsAndTotals) {
    CBatch batch;
    batch.name = "Front";
    batch.traceOps = 1234567;
    batch.wavelengthVaries = batch.yVaries = batch.declinationVaries = 1;
    CModel& model = batch.model;
    CLayer& glass = AddLayer(model, "Glass", {"Top", "Bottom"});
    CLayer& si = AddLayer(model, "Si", {"Back"});

    const CRay r0 = AddKey(model, 500);
    const CRay r1 = AddKey(model, 600, 7, 2.5, 9, -45.3);  // x and azimuth do not vary: no column
    glass.results.AddAbsorbed(r0, 0.25);
    glass[0].results.AddAbsorbed(r0, 0.0005);
    si.results.AddAbsorbed(r0, 0.5);
    si[0].results.AddAbsorbed(r0, 0.125);
    model.results.AddRemainder(r0, 0.0001);
    model.results.AddLost(r0, 0.1244);
    glass.results.AddAbsorbed(r1, 0.125);
    glass[0].results.AddAbsorbed(r1, 0.00012);
    glass[1].results.AddAbsorbed(r1, 0.001);
    si.results.AddAbsorbed(r1, 0.75);
    model.results.AddLost(r1, 0.12388);
    // Added after the results were made: it has no records, so its cells stay empty.
    AddLayer(model, "Air", {"Sky"});

    EXPECT_EQ(
        FormatBatchResults(batch, 0),
        "Batch 0:\tFront (1.23 Million Trace Ops)\n"
        "\tWlen\tY\tEle\tGlass\tTop\tBottom\tSi\tBack\tAir\tSky\tRemndr\tLost\tTotal\n"
        "Ray 0:\t500.0 \t0.0 \t0.0 \t0.250\t5.0e-4\t0.000\t0.500\t0.125\t\t\t10.0e-5\t0.124\t1.000\t\n"
        "Ray 1:\t600.0 \t2.5 \t-45.3 \t0.125\t1.2e-4\t0.001\t0.750\t0.000\t\t\t0.000\t0.124\t1.000\t\n" +
            Repeat("----\t", 1 + 3 + 7 + 3) +
            "\n"
            "Totals\t\t\t\t0.375\t6.2e-4\t0.001\t1.250\t0.125\t0.000\t0.000\t10.0e-5\t0.248\t2.000\t\n");
}

TEST(FormatBatchResults, NoResultsGiveDashesAndZeroTotals) {
    CBatch batch;
    batch.name = "Empty";
    // Every sweep varies; z has no column.
    batch.wavelengthVaries = batch.xVaries = batch.yVaries = batch.zVaries = 1;
    batch.azimuthVaries = batch.declinationVaries = 1;
    AddLayer(batch.model, "L", {"P"});
    EXPECT_EQ(FormatBatchResults(batch, 3),
              "Batch 3:\tEmpty (0.00 Million Trace Ops)\n"
              "\tWlen\tX\tY\tAzi\tEle\tL\tP\tRemndr\tLost\tTotal\n" +
                  Repeat("----\t", 1 + 5 + 3) + "\nTotals\t\t\t\t\t\t0.000\t0.000\t0.000\t\n");
}

TEST(FormatBatchResults, ColumnSumsStopAtTwoHundredColumnsButRowTotalsDoNot) {
    CBatch batch;
    batch.name = "Wide";
    std::vector<std::string> planes;
    for (int i = 1; i < 251; ++i) planes.push_back("P" + std::to_string(i));
    CLayer& layer = AddLayer(batch.model, "L", planes);
    const CRay ray = AddKey(batch.model, 500);
    // Column c (from 1) absorbs c.
    layer.results.AddAbsorbed(ray, 1);
    for (uint32_t i = 0; i < layer.GetCount(); ++i) layer[i].results.AddAbsorbed(ray, i + 2.0);

    std::istringstream text(FormatBatchResults(batch, 0));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 5u);

    std::string row = "Ray 0:\t";
    std::string totals = "Totals\t";
    for (int c = 1; c <= 251; ++c) {
        row += std::to_string(c) + ".000\t";
        if (c <= 200) totals += std::to_string(c) + ".000\t";
    }
    EXPECT_EQ(lines[2], row + "0.000\t0.000\t31626.000\t");  // 1 + 2 + ... + 251
    EXPECT_EQ(lines[3], Repeat("----\t", 1 + 200 + 3));
    EXPECT_EQ(lines[4], totals + "0.000\t0.000\t31626.000\t");
}

// The worker may add records while the table is made: every table must still be whole, and may only
// show empty cells for a row that is still being created.
TEST(FormatBatchResults, WellFormedWhileTheWorkerAddsResults) {
    CBatch batch;
    CLayer& layer = AddLayer(batch.model, "L", {"A", "B"});
    constexpr int kKeys = 20000;
    std::thread worker([&] {
        for (int k = 0; k < kKeys; ++k) {
            const CRay ray = AddKey(batch.model, 300 + k);
            layer.results.AddAbsorbed(ray, 0.5);
            layer[1].results.AddAbsorbed(ray, 0.25);
            batch.model.results.AddLost(ray, 0.25);
            batch.traceOps += 3;
        }
    });
    size_t lastRows = 0;
    for (bool done = false; !done;) {
        done = batch.model.results.GetSize() == kKeys;
        std::istringstream text(FormatBatchResults(batch, 0));
        std::vector<std::string> lines;
        for (std::string line; std::getline(text, line);) lines.push_back(line);
        ASSERT_GE(lines.size(), 4u);
        const size_t rows = lines.size() - 4;
        ASSERT_GE(rows, lastRows);
        lastRows = rows;
        // A row has a cell for every column, present or not; the totals only once there are rows.
        for (size_t i = 2; i < 2 + rows; ++i)
            ASSERT_EQ(std::count(lines[i].begin(), lines[i].end(), '\t'), 7) << lines[i];
        ASSERT_EQ(std::count(lines.back().begin(), lines.back().end(), '\t'), rows > 0 ? 7 : 4);
    }
    worker.join();
    EXPECT_EQ(lastRows, static_cast<size_t>(kKeys));
}

// ---- Files ----

class ExportFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("brelix-export-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_ / "runs");
        document_ = (dir_ / "runs" / "cell").string();
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(dir_ / "runs", fs::perms::owner_all, ignored);
        fs::remove_all(dir_);
    }

    static std::string Contents(const fs::path& path) {
        std::ifstream file(path);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }
    std::set<std::string> FilesInRuns() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_ / "runs")) names.insert(entry.path().filename());
        return names;
    }
    // A list of batches with these names, each with a trace-op count of its own so files differ.
    static void MakeBatches(CBatchList& list, std::vector<std::string> names) {
        list.RemoveAll();
        for (size_t i = 0; i < names.size(); ++i) {
            CBatch& batch = list.Append();
            batch.name = names[i];
            batch.traceOps = 1000000 * (i + 1);
            AddLayer(batch.model, "L", {"P"});
            batch.model.results.AddLost(AddKey(batch.model, 500), 1);
        }
    }

    fs::path dir_;
    std::string document_;
    CShown messages_;
    CBatchList list_;
};

TEST_F(ExportFiles, OneFilePerBatchNamedFromTheDocumentReplacingOldOnes) {
    const fs::path front = dir_ / "runs/cell_Front.bxo";
    const auto perms = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    std::ofstream(front) << std::string(100000, 'x');
    fs::permissions(front, perms);
    // The later batch of a name replaces the earlier.
    MakeBatches(list_, {"Front", "Back", "Front"});
    EXPECT_TRUE(ExportResults(list_, document_, messages_));
    EXPECT_TRUE(messages_.shown.empty());
    EXPECT_EQ(FilesInRuns(), (std::set<std::string>{"cell_Front.bxo", "cell_Back.bxo"}));
    EXPECT_EQ(Contents(dir_ / "runs/cell_Back.bxo"), FormatBatchResults(list_[1], 1));
    EXPECT_EQ(Contents(front), FormatBatchResults(list_[2], 2));
    EXPECT_EQ(fs::status(front).permissions(), perms);
}

TEST_F(ExportFiles, FirstFailureIsReportedWithTheReasonAndEndsTheExport) {
    // The batch name goes into the file name as it is: "sub/B" names a file in a folder that is not there.
    MakeBatches(list_, {"A", "sub/B", "C"});
    EXPECT_FALSE(ExportResults(list_, document_, messages_));
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].first,
              "Cannot write file " + document_ + "_sub/B.bxo:\nNo such file or directory.");
    EXPECT_EQ(messages_.shown[0].second, "Brelix");
    // The file written before stays; none after it is written, and no temporary is left.
    EXPECT_EQ(FilesInRuns(), (std::set<std::string>{"cell_A.bxo"}));
}

TEST_F(ExportFiles, WriteThatFailsHalfwayKeepsTheOldFile) {
    const fs::path front = dir_ / "runs/cell_Front.bxo";
    std::ofstream(front) << "old results\n";
    MakeBatches(list_, {"Front"});
    for (int k = 0; k < 500; ++k) AddKey(list_[0].model, 600 + k);
    ASSERT_GT(FormatBatchResults(list_[0], 0).size(), 8192u);

    // A file size limit makes the write fail partway, as a full disk would.
    rlimit previous{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit small = previous;
    small.rlim_cur = 4096;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = ExportResults(list_, document_, messages_);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(written);
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].first, "Cannot write file " + document_ + "_Front.bxo:\nFile too large.");
    EXPECT_EQ(Contents(front), "old results\n");
    EXPECT_EQ(FilesInRuns(), (std::set<std::string>{"cell_Front.bxo"}));
}

TEST_F(ExportFiles, ReadOnlyFolderReportsPermissionDenied) {
    fs::permissions(dir_ / "runs", fs::perms::owner_read | fs::perms::owner_exec);
    if (std::FILE* probe = std::fopen((dir_ / "runs/probe").c_str(), "w")) {
        std::fclose(probe);
        GTEST_SKIP() << "this user writes into read-only folders";
    }
    MakeBatches(list_, {"Front"});
    EXPECT_FALSE(ExportResults(list_, document_, messages_));
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].first, "Cannot write file " + document_ + "_Front.bxo:\nPermission denied.");
}

}  // namespace
}  // namespace brelix
