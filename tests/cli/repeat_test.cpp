#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/runner.h"
#include "tests/cli/cli_invoke.h"
#include "document/results_export.h"

namespace brelix {
namespace {

namespace fs = std::filesystem;
using namespace test;

// The TSV form: its header, and its rows of numbers.
struct CTsv {
    std::vector<std::string> header;
    std::vector<std::vector<double>> rows;
};

CTsv ParseTsv(const std::string& text) {
    CTsv tsv;
    for (const std::string& line : Split(text, '\n')) {
        const std::vector<std::string> fields = Split(line, '\t');
        if (tsv.header.empty()) {
            tsv.header = fields;
            continue;
        }
        std::vector<double>& row = tsv.rows.emplace_back();
        for (const std::string& field : fields) row.push_back(std::stod(field));
    }
    return tsv;
}

// The largest standard error of a TSV with errors (its "se" columns).
double LargestError(const CTsv& tsv) {
    double largest = 0;
    for (size_t c = 0; c < tsv.header.size(); ++c)
        if (tsv.header[c].ends_with(" se"))
            for (const std::vector<double>& row : tsv.rows) largest = std::max(largest, row.at(c));
    return largest;
}

const std::string kWafer = std::string(BRELIX_EXAMPLES) + "/planar_wafer.brx";

// The table's cells read "mean ± error" with the numbers of the TSV form, which has a "<column> se" for
// every column; the export keeps its format and holds the means.
TEST(Repeat, TheTableShowsMeansWithTheirErrorsAndTheExportTheMeans) {
    const CRun table = Invoke({"trace", kWafer, "--repeat", "4", "--seed", "9", "--quiet"});
    const CRun tsvRun = Invoke({"trace", kWafer, "--repeat", "4", "--seed", "9", "--quiet", "--format", "tsv"});
    ASSERT_EQ(table.exit, ExitOk) << table.err;
    ASSERT_EQ(tsvRun.exit, ExitOk) << tsvRun.err;
    const CTsv tsv = ParseTsv(tsvRun.out);
    const size_t first = 6, columns = (tsv.header.size() - first) / 2;
    ASSERT_EQ(tsv.header.at(first + columns), tsv.header.at(first) + " se");
    const std::vector<std::string> lines = Split(table.out, '\n');
    ASSERT_EQ(tsv.rows.size(), 1000u);
    bool someError = false;
    for (size_t r = 0; r < tsv.rows.size(); ++r) {
        const std::vector<std::string> cells = Split(lines.at(2 + r), '\t');
        for (size_t c = 0; c < columns; ++c) {
            const double mean = tsv.rows[r][first + c], error = tsv.rows[r][first + columns + c];
            ASSERT_EQ(cells.at(2 + c), FormatResultValue(mean) + " ± " + FormatResultValue(error)) << r << ", " << c;
            someError = someError || error > 0;
        }
    }
    EXPECT_TRUE(someError);

    const fs::path folder = fs::temp_directory_path() / ("brelix-repeat-test-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const fs::path document = folder / "wafer.brx";
    fs::copy_file(kWafer, document);
    ASSERT_EQ(Invoke({"trace", document.string(), "--repeat", "4", "--seed", "9", "--quiet", "--export"}).exit, ExitOk);
    std::ifstream in(folder / "wafer.brx_Wafer.bxo");
    const std::string exported((std::istreambuf_iterator<char>(in)), {});
    fs::remove_all(folder);
    const std::vector<std::string> exportedLines = Split(exported, '\n');
    EXPECT_EQ(exported.find("±"), std::string::npos);
    for (size_t r = 0; r < tsv.rows.size(); r += 97) {
        const std::vector<std::string> cells = Split(exportedLines.at(2 + r), '\t');
        for (size_t c = 0; c < columns; ++c) EXPECT_EQ(cells.at(2 + c), FormatResultValue(tsv.rows[r][first + c]));
    }
}

// --target-se adds replicas until the target is met, and not one more: the replicas are those of
// --repeat with the same seed, one fewer of which misses the target.
TEST(Repeat, TargetErrorStopsAtTheFirstReplicaCountThatMeetsIt) {
    const CRun target = Invoke({"trace", kWafer, "--target-se", "0.08", "--seed", "2", "--format", "tsv"});
    ASSERT_EQ(target.exit, ExitOk) << target.err;
    // "batch 0 ("Wafer"): N replicas of seed 2, R source rays, ..."
    const std::string marker = " replicas of seed 2, ";
    const size_t colon = target.err.find("): "), at = target.err.find(marker);
    ASSERT_TRUE(colon != std::string::npos && at != std::string::npos) << target.err;
    const int replicas = std::stoi(target.err.substr(colon + 3, at - colon - 3));
    const long long rays = std::stoll(target.err.substr(at + marker.size()));
    EXPECT_EQ(rays, 1000LL * replicas);
    EXPECT_NE(target.err.find("within the target 0.08"), std::string::npos) << target.err;
    ASSERT_GT(replicas, 2);
    const CRun fewer = Invoke({"trace", kWafer, "--repeat", std::to_string(replicas - 1), "--seed", "2", "--format", "tsv", "--quiet"});
    const CRun same = Invoke({"trace", kWafer, "--repeat", std::to_string(replicas), "--seed", "2", "--format", "tsv", "--quiet"});
    EXPECT_GT(LargestError(ParseTsv(fewer.out)), 0.08);
    EXPECT_LE(LargestError(ParseTsv(same.out)), 0.08);
    EXPECT_EQ(same.out, target.out);

    // Bounded: the target unmet after --max-repeat replicas is said, and the exit code tells.
    const CRun bounded = Invoke({"trace", kWafer, "--target-se", "0.0001", "--max-repeat", "3", "--quiet"});
    EXPECT_EQ(bounded.exit, ExitTargetMissed);
    EXPECT_NE(bounded.err.find("3 replicas"), std::string::npos) << bounded.err;
    EXPECT_NE(bounded.err.find("above the target 1e-04"), std::string::npos) << bounded.err;
}

// Replicas on the application's single worker are reproducible too, and differ from the threads' sample.
TEST(Repeat, ReplicasOnTheWorkerAreReproducible) {
    const std::vector<std::string> args = {"trace", kWafer, "--repeat", "3", "--threads", "0", "--quiet", "--format", "csv"};
    const CRun one = Invoke(args), two = Invoke(args);
    ASSERT_EQ(one.exit, ExitOk) << one.err;
    EXPECT_EQ(one.out, two.out);
    EXPECT_NE(one.out, Invoke({"trace", kWafer, "--repeat", "3", "--quiet", "--format", "csv"}).out);
}

TEST(Repeat, BadOptionsAndAnInterruptedRunWriteNothing) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"trace", kWafer, "--repeat", "1"}, {"trace", kWafer, "--repeat", "x"},
          {"trace", kWafer, "--target-se", "0"}, {"trace", kWafer, "--target-se", "nan"},
          {"trace", kWafer, "--target-se", "-1"}, {"trace", kWafer, "--max-repeat", "5"},
          {"trace", kWafer, "--format", "xml"}, {"trace", kWafer, "--format"}, {"merge", "p", "--format", "yaml"}}) {
        EXPECT_EQ(Invoke(args).exit, ExitUsage) << args.at(args.size() - 2) << " " << args.back();
    }
    const fs::path output = fs::temp_directory_path() / ("brelix-repeat-output-" + std::to_string(::getpid()));
    const std::atomic<bool> interrupted{true};
    const CRun stopped = Invoke({"trace", kWafer, "--repeat", "3", "--output", output.string()}, &interrupted);
    EXPECT_EQ(stopped.exit, ExitInterrupted);
    EXPECT_FALSE(fs::exists(output));
    EXPECT_NE(stopped.err.find("was not written"), std::string::npos) << stopped.err;
}

}  // namespace
}  // namespace brelix
