// The runner under bad documents, failing outputs, interruptions and memory limits: a clear message and
// an exit code that tells the truth, never a crash or a success that is not one.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "cli/runner.h"
#include "tests/cli/cli_invoke.h"
#include "core/batch_list.h"
#include "document/document_file.h"
#include "tests/support/trace_helpers.h"

namespace brelix {
namespace {

namespace fs = std::filesystem;
using namespace test;

struct CScratch {
    CScratch() : path(fs::temp_directory_path() / ("brelix-cli-reliability-" + std::to_string(::getpid()))) {
        fs::create_directories(path);
    }
    ~CScratch() { fs::remove_all(path); }
    fs::path path;
};

// Saves a one-batch document built by `build`.
std::string SaveBuilt(const fs::path& path, const std::function<void(CBatch&)>& build) {
    CBatchList list;
    build(list[0]);
    std::string error;
    EXPECT_TRUE(SaveDocument(path.string(), list, error)) << error;
    return path.string();
}

// A ray between two perfect mirrors: traced until its path's lifetime ends.
void BuildMirrors(CBatch& batch, int rays) {
    batch.name = "Mirrors";
    CLayer& layer = batch.model.Append();
    layer.SetName("Gap");
    SetHorizontal(AddPlane(layer, "Floor", PlanarReflector), -10, false, 1e5);
    SetHorizontal(AddPlane(layer, "Ceiling", PlanarReflector), 10, true, 1e5);
    for (CPlane& mirror : layer) mirror.SetConstants(0, 0, 1.0);
    SetNormalIncidenceSources(batch, rays);
    batch.minIntensity = 0;
}

// Standard output on a full disk: every write fails.
class CFullBuffer : public std::streambuf {
    int_type overflow(int_type) override { return traits_type::eof(); }
};

TEST(CliReliability, ResultsThatCannotBeWrittenAreNotASuccess) {
    CFullBuffer full;
    std::ostream out(&full);
    std::ostringstream err;
    CCliEnvironment environment{out, err, false, nullptr};
    const std::string doc = std::string(BRELIX_EXAMPLES) + "/planar_wafer.brx";
    EXPECT_EQ(RunCli({"trace", doc, "--quiet"}, environment), ExitNotWritten);
    EXPECT_NE(err.str().find("could not be written to standard output"), std::string::npos) << err.str();
    EXPECT_EQ(RunCli({"info", doc}, environment), ExitNotWritten);

    // The program itself, on the device that is always full.
    const std::string command = std::string(BRELIX_CLI) + " trace " + doc + " --quiet > /dev/full 2>/dev/null";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), ExitNotWritten);
}

TEST(CliReliability, RefusedBatchesSayWhyAndPrintNoTable) {
    CScratch scratch;
    const std::string doc = SaveBuilt(scratch.path / "nan.brx", [](CBatch& batch) {
        BuildSlab(batch, 3.5, 10, 100);
        SetNormalIncidenceSources(batch, 2);
        batch.name = "Slab";
        batch.model[1].optics.constants.alpha = NAN;
    });
    const CRun run = Invoke({"trace", doc, "--quiet"});
    EXPECT_EQ(run.exit, ExitNotTraced);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("Batch \"Slab\" cannot be traced: layer 1 \"Slab\": absorption coefficient is nan"),
              std::string::npos)
        << run.err;
    const CRun info = Invoke({"info", doc});
    EXPECT_EQ(info.exit, ExitOk);
    EXPECT_NE(info.out.find("  Batch \"Slab\" cannot be traced: layer 1"), std::string::npos) << info.out;
}

TEST(CliReliability, InfoNamesPlanesWithoutEffect) {
    CScratch scratch;
    const std::string doc = SaveBuilt(scratch.path / "self.brx", [](CBatch& batch) {
        BuildSlab(batch, 3.5, 10, 100);
        batch.model[1][0].planeType = TranslateAcrossProportional;  // its default target is itself
    });
    const CRun info = Invoke({"info", doc});
    EXPECT_NE(info.out.find("        0 Front:           {type=TransAcrssProp; shape=PrllPpd; LyrTransmit=0; "
                            "PlnTransmit=0; } {Awaiting Conversion to PlnOpt organisation}\n"
                            "          (no effect on rays: its target plane is itself)\n"),
              std::string::npos)
        << info.out;
}

TEST(CliReliability, RaysAtTheEndOfTheirLifetimeAreCounted) {
    CScratch scratch;
    const std::string doc = SaveBuilt(scratch.path / "mirrors.brx", [](CBatch& batch) { BuildMirrors(batch, 2); });
    const CRun run = Invoke({"trace", doc, "--quiet"});
    EXPECT_EQ(run.exit, ExitOk) << run.err;
    EXPECT_NE(run.err.find("batch 0 (\"Mirrors\"): 2 rays reached the limit of 100000 interactions along their path "
                           "and are counted as remainder."),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.out.find("Totals\t\t0.000\t0.000\t0.000\t2.000\t0.000\t2.000\t\n"), std::string::npos) << run.out;
}

TEST(CliReliability, AnInterruptedTraceCountsItsRaysInFlightAndExportsNothing) {
    CScratch scratch;
    const std::string doc = SaveBuilt(scratch.path / "long.brx", [](CBatch& batch) { BuildMirrors(batch, 2000); });
    const std::atomic<bool> interrupted{true};
    const CRun run = Invoke({"trace", doc, "--export"}, &interrupted);
    EXPECT_EQ(run.exit, ExitInterrupted);
    EXPECT_NE(run.err.find("was stopped early: "), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find(" 0 rays in flight"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("nothing was exported"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(doc + "_Mirrors.bxo"));
    // Every row accounts for its ray: the rays in flight are in the remainder.
    EXPECT_NE(run.out.find("Totals\t\t0.000\t0.000\t0.000\t2000.000\t0.000\t2000.000\t\n"), std::string::npos)
        << run.out.substr(run.out.size() - 200);
}

// Runs the program with its address space limited, as `ulimit -v` does.
int RunLimited(const std::vector<std::string>& args, rlim_t bytes, const fs::path& err) {
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit limit{bytes, bytes};
        ::setrlimit(RLIMIT_AS, &limit);
        std::freopen("/dev/null", "w", stdout);
        std::freopen(err.c_str(), "w", stderr);
        std::vector<char*> argv{const_cast<char*>(BRELIX_CLI)};
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(BRELIX_CLI, argv.data());
        std::_Exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

TEST(CliReliability, ABatchBeyondTheMemoryLimitIsRefusedNotAborted) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "sanitizers reserve more address space than the limit allows";
#endif
    CScratch scratch;
    const std::string doc = SaveBuilt(scratch.path / "big.brx", [](CBatch& batch) {
        BuildSlab(batch, 3.5, 10, 100);
        batch.name = "Big";
        SetNormalIncidenceSources(batch, 20000000);  // a row each: 3 GB
    });
    const fs::path err = scratch.path / "err.txt";
    const int status = RunLimited({"trace", doc, "--quiet"}, rlim_t{1536} << 20, err);
    std::ifstream in(err);
    const std::string message((std::istreambuf_iterator<char>(in)), {});
    ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status) << ": " << message;
    EXPECT_EQ(WEXITSTATUS(status), ExitNotTraced);
    EXPECT_NE(message.find("Batch \"Big\" cannot be traced: "), std::string::npos) << message;
    EXPECT_NE(message.find(" of memory"), std::string::npos) << message;
}

}  // namespace
}  // namespace brelix
