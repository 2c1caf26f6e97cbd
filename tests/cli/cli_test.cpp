#include "cli/runner.h"
#include "tests/cli/cli_invoke.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace brelix {
namespace {

namespace fs = std::filesystem;
using namespace test;

// A scratch folder removed at the end of the test.
struct CScratch {
    CScratch() : path(fs::temp_directory_path() / ("brelix-cli-test-" + std::to_string(::getpid()))) {
        fs::create_directories(path);
    }
    ~CScratch() { fs::remove_all(path); }
    fs::path path;
};

TEST(Cli, EveryExampleTraces) {
    for (const char* name : {"planar_wafer.brx", "ar_coated_wafer.brx", "lambertian_rear.brx", "textured_cell.brx",
                             "luminescent_layer.brx", "wavelength_sweep.brx"}) {
        const CRun run = Invoke({"trace", Example(name), "--quiet"});
        EXPECT_EQ(run.exit, ExitOk) << name << ": " << run.err;
        EXPECT_EQ(run.out.rfind("Batch 0:\t", 0), 0u) << name;
        EXPECT_NE(run.out.find("\nTotals\t"), std::string::npos) << name;
        EXPECT_EQ(run.err, "") << name;
    }
}

TEST(Cli, PlanarWaferAgreesWithTheClosedForm) {
    const CRun run = Invoke({"trace", Example("planar_wafer.brx"), "--quiet", "--seed", "31"});
    ASSERT_EQ(run.exit, ExitOk) << run.err;
    const std::vector<std::string> lines = Split(run.out, '\n');
    const std::vector<std::string> header = Split(lines.at(1), '\t');
    const auto slab = std::find(header.begin(), header.end(), "Slab") - header.begin();
    ASSERT_LT(slab, static_cast<long>(header.size()));
    // One row per source ray; each is that ray's absorbed share.
    double sum = 0, sumSq = 0;
    int n = 0;
    for (const std::string& line : lines) {
        if (line.rfind("Ray ", 0) != 0) continue;
        const double a = std::stod(Split(line, '\t').at(static_cast<size_t>(slab)));
        sum += a;
        sumSq += a * a;
        ++n;
    }
    ASSERT_EQ(n, 1000);
    const double mean = sum / n, standardError = std::sqrt((sumSq / n - mean * mean) / (n - 1));
    // Air | n = 3.5, 100 um, alpha = 100 per cm | air, at normal incidence.
    const double R = std::pow(2.5 / 4.5, 2), a = std::exp(-1.0);
    const double expected = (1 - R) * (1 - a) * (1 + R * a) / (1 - R * R * a * a);
    EXPECT_NEAR(mean, expected, 3 * standardError);
    EXPECT_LT(standardError, 0.02);

    // The seed reproduces the trace; another seed traces differently.
    EXPECT_EQ(Invoke({"trace", Example("planar_wafer.brx"), "--quiet", "--seed", "31"}).out, run.out);
    EXPECT_NE(Invoke({"trace", Example("planar_wafer.brx"), "--quiet", "--seed", "32"}).out, run.out);
}

TEST(Cli, ExportWritesTheResultsFilesBesideTheDocument) {
    CScratch scratch;
    const fs::path document = scratch.path / "coated.brx";
    fs::copy_file(Example("ar_coated_wafer.brx"), document);
    const CRun run = Invoke({"trace", document.string(), "--export"});
    ASSERT_EQ(run.exit, ExitOk) << run.err;
    const fs::path written = scratch.path / "coated.brx_Coated.bxo";
    EXPECT_EQ(ReadFile(written), run.out);
    EXPECT_NE(run.err.find("wrote " + written.string()), std::string::npos);
    EXPECT_NE(run.err.find("trace ops in"), std::string::npos);

    // A folder that cannot take the files: the reason is reported and the exit code says so.
    fs::remove(written);
    fs::create_directory(written);  // a folder where the file should go
    const CRun blocked = Invoke({"trace", document.string(), "--export", "--quiet"});
    EXPECT_EQ(blocked.exit, ExitNotWritten);
    EXPECT_NE(blocked.err.find("coated.brx_Coated.bxo"), std::string::npos) << blocked.err;
}

TEST(Cli, UsageErrorsAndUnreadableDocuments) {
    const std::string doc = Example("planar_wafer.brx");
    const std::vector<std::vector<std::string>> usage = {{},
                                                         {"render"},
                                                         {"trace"},
                                                         {"trace", doc, "--seed"},
                                                         {"trace", doc, "--seed", "-1"},
                                                         {"trace", doc, "--batch", "1", "--all"},
                                                         {"trace", doc, "--colour"}};
    for (const auto& args : usage) EXPECT_EQ(Invoke(args).exit, ExitUsage) << args.size();
    for (const auto& args : {std::vector<std::string>{"--help"}, {"trace", "--help"}, {"info", "--help"}})
        EXPECT_EQ(Invoke(args).exit, ExitOk);
    EXPECT_NE(Invoke({"--help"}).out.find("trace DOC"), std::string::npos);
    const CRun noBatch = Invoke({"trace", Example("planar_wafer.brx"), "--batch", "3"});
    EXPECT_EQ(noBatch.exit, ExitUsage);
    EXPECT_NE(noBatch.err.find("no batch 3: its batches are 0 to 0"), std::string::npos) << noBatch.err;

    const CRun missing = Invoke({"trace", "/no/such/document.brx"});
    EXPECT_EQ(missing.exit, ExitUnreadable);
    EXPECT_NE(missing.err.find("/no/such/document.brx"), std::string::npos);

    // A document cut short is refused with its file named, for trace and info alike.
    CScratch scratch;
    const fs::path cut = scratch.path / "cut.brx";
    const std::string bytes = ReadFile(Example("lambertian_rear.brx"));
    std::ofstream(cut, std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    for (const char* command : {"trace", "info"}) {
        const CRun run = Invoke({command, cut.string()});
        EXPECT_EQ(run.exit, ExitUnreadable) << command;
        EXPECT_NE(run.err.find(cut.string()), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
}

TEST(Cli, InfoListsSweepsLayersAndPlanes) {
    const CRun run = Invoke({"info", Example("textured_cell.brx")});
    ASSERT_EQ(run.exit, ExitOk) << run.err;
    EXPECT_NE(run.out.find("Batch 0: Cell  (current)\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  X Position: 0.5 to 9.5 step 1\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  Declination Angle: 0 to 60 step 15 deg\n"), std::string::npos);
    EXPECT_NE(run.out.find("  Source rays: 50\n"), std::string::npos);
    EXPECT_NE(run.out.find("    1 Wafer:           {Pathln=false; } {ConstOpt:  rindx=3.600;"), std::string::npos);
    EXPECT_NE(run.out.find("        2 x0:              {type=TransAcrssProp; shape=PrllPpd; LyrTransmit=0; "
                           "PlnTransmit=3; }"),
              std::string::npos);
}

TEST(Cli, ExamplesAreWhatTheGeneratorWrites) {
    CScratch scratch;
    const std::string command = std::string(BRELIX_MAKE_EXAMPLES) + " " + scratch.path.string();
    ASSERT_EQ(std::system(command.c_str()), 0);
    int compared = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(scratch.path)) {
        const fs::path checkedIn = fs::path(BRELIX_EXAMPLES) / entry.path().filename();
        EXPECT_TRUE(fs::exists(checkedIn)) << checkedIn;
        EXPECT_EQ(ReadFile(entry.path()), ReadFile(checkedIn))
            << entry.path().filename() << " differs: run brelix-make-examples examples";
        ++compared;
    }
    EXPECT_EQ(compared, 9);
}

// --threads N: the same table, to the last bit, for any N; --threads 0 is the single worker's table, which
// is another sample; --help says so.
TEST(Cli, ThreadsGiveOneTableForAnyCountAndZeroIsTheWorkersTable) {
    const std::string document = Example("luminescent_layer.brx");
    const CRun one = Invoke({"trace", document, "--all", "--threads", "1", "--quiet"});
    ASSERT_EQ(one.exit, ExitOk) << one.err;
    for (const char* threads : {"2", "7"}) {
        const CRun run = Invoke({"trace", document, "--all", "--threads", threads, "--quiet"});
        EXPECT_EQ(run.exit, ExitOk) << run.err;
        EXPECT_EQ(run.out, one.out) << threads << " threads";
    }
    EXPECT_EQ(Invoke({"trace", document, "--all", "--quiet"}).out, one.out);
    const CRun worker = Invoke({"trace", document, "--all", "--threads", "0", "--quiet"});
    EXPECT_EQ(worker.exit, ExitOk);
    EXPECT_NE(worker.out, one.out);
    EXPECT_EQ(Split(worker.out, '\n')[1], Split(one.out, '\n')[1]);  // the same columns

    const CRun help = Invoke({"trace", "--help"});
    EXPECT_NE(help.out.find("--threads 0 traces on one worker as\n              the application traces"),
              std::string::npos);
    EXPECT_NE(help.out.find("another\n              sample"), std::string::npos);
    EXPECT_EQ(Invoke({"trace", document, "--threads", "x"}).exit, ExitUsage);
    EXPECT_EQ(Invoke({"trace", document, "--threads", "5000"}).exit, ExitUsage);
}

}  // namespace
}  // namespace brelix
