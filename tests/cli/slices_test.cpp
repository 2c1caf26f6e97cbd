#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/runner.h"
#include "tests/cli/cli_invoke.h"

namespace brelix {
namespace {

namespace fs = std::filesystem;
using namespace test;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class Slices : public ::testing::Test {
protected:
    Slices() : folder(fs::temp_directory_path() / ("brelix-slices-test-" + std::to_string(::getpid()))) {
        fs::create_directories(folder);
    }
    ~Slices() override { fs::remove_all(folder); }

    // A copy of an example in the scratch folder, so that parts and exports land there.
    std::string Copy(const std::string& example) {
        const fs::path copy = folder / example;
        fs::copy_file(std::string(BRELIX_EXAMPLES) + "/" + example, copy, fs::copy_options::overwrite_existing);
        return copy.string();
    }

    // Traces every slice of M, each on its own number of threads, and returns the parts' paths.
    std::vector<std::string> TraceSlices(const std::string& document, uint32_t count, const std::string& seed) {
        std::vector<std::string> parts;
        for (uint32_t k = 1; k <= count; ++k) {
            const std::string part = (folder / ("part" + std::to_string(k) + "of" + std::to_string(count))).string();
            const CRun run = Invoke({"trace", document, "--all", "--seed", seed, "--threads", std::to_string(1 + k % 3),
                                     "--slice", std::to_string(k) + "/" + std::to_string(count), "--output", part});
            EXPECT_EQ(run.exit, ExitOk) << run.err;
            EXPECT_EQ(run.out, "");
            EXPECT_TRUE(Contains(run.err, "wrote " + part)) << run.err;
            parts.push_back(part);
        }
        return parts;
    }

    static CRun Merge(std::vector<std::string> parts, const std::vector<std::string>& options = {"--quiet"}) {
        parts.insert(parts.begin(), "merge");
        parts.insert(parts.end(), options.begin(), options.end());
        return Invoke(parts);
    }

    fs::path folder;
};

// Every batch of examples with re-emission, wavelength sweeps and a textured cell: M slices merged, in any
// order of the files, are the unsliced trace's tables, byte for byte, and so are the exported files.
TEST_F(Slices, MergedSlicesAreTheUnslicedTrace) {
    for (const char* example : {"luminescent_layer.brx", "wavelength_sweep.brx", "textured_cell.brx"}) {
        SCOPED_TRACE(example);
        const std::string document = Copy(example);
        const CRun whole = Invoke({"trace", document, "--all", "--seed", "11", "--threads", "2", "--quiet", "--export"});
        ASSERT_EQ(whole.exit, ExitOk) << whole.err;
        std::vector<std::pair<fs::path, std::string>> exported;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder))
            if (entry.path().extension() == ".bxo") exported.emplace_back(entry.path(), ReadFile(entry.path()));
        ASSERT_FALSE(exported.empty());
        for (const auto& [file, bytes] : exported) fs::remove(file);

        for (const uint32_t count : {1u, 2u, 3u, 7u}) {
            std::vector<std::string> parts = TraceSlices(document, count, "11");
            std::reverse(parts.begin(), parts.end());
            const CRun merged = Merge(parts, {"--export"});
            ASSERT_EQ(merged.exit, ExitOk) << merged.err;
            EXPECT_EQ(merged.out, whole.out) << count << " slices";
            EXPECT_TRUE(Contains(merged.err, "merged from " + std::to_string(count) + " slices")) << merged.err;
            for (const auto& [file, bytes] : exported) {
                EXPECT_EQ(ReadFile(file), bytes) << file;
                fs::remove(file);
            }
            for (const std::string& part : parts) fs::remove(part);
        }
    }
}

// A merge writes the forms for programs as the unsliced trace does, to a file when asked.
TEST_F(Slices, AMergeWritesEveryForm) {
    const std::string document = Copy("luminescent_layer.brx");
    const std::vector<std::string> parts = TraceSlices(document, 3, "8");
    for (const char* form : {"csv", "json", "tsv"}) {
        const CRun whole = Invoke({"trace", document, "--all", "--seed", "8", "--quiet", "--format", form});
        const std::string output = (folder / (std::string("merged.") + form)).string();
        const CRun merged = Merge(parts, {"--quiet", "--format", form, "--output", output});
        ASSERT_EQ(merged.exit, ExitOk) << merged.err;
        EXPECT_EQ(merged.out, "");
        EXPECT_EQ(ReadFile(output), whole.out) << form;
    }
}

// The default part file is named after the document and the slice, beside it.
TEST_F(Slices, ThePartIsWrittenBesideTheDocumentByDefault) {
    const std::string document = Copy("planar_wafer.brx");
    const CRun run = Invoke({"trace", document, "--slice", "2/2", "--quiet"});
    ASSERT_EQ(run.exit, ExitOk) << run.err;
    EXPECT_TRUE(fs::is_regular_file(document + "_slice2of2.bxp"));
}

// A missing, duplicated or foreign part, a damaged or cut part and a file that is no part: each is
// refused, naming the file or the slice, and nothing is printed.
TEST_F(Slices, PartsThatDoNotMakeOneTraceAreRefused) {
    const std::string wafer = Copy("planar_wafer.brx");
    const std::vector<std::string> parts = TraceSlices(wafer, 3, "4");
    const auto refused = [&](const std::vector<std::string>& files, const std::string& expected) {
        const CRun run = Merge(files);
        EXPECT_EQ(run.exit, ExitUnreadable) << expected;
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(Contains(run.err, expected)) << run.err;
    };
    refused({parts[0], parts[2]}, "slice 2 of 3 (by default " + wafer + "_slice2of3.bxp) is missing");
    refused({parts[0], parts[1], parts[1], parts[2]}, parts[1] + " and " + parts[1] + " are both slice 2 of 3");

    // Another seed, another document, another slicing.
    const std::string otherSeed = (folder / "seed5").string();
    ASSERT_EQ(Invoke({"trace", wafer, "--all", "--seed", "5", "--slice", "2/3", "--output", otherSeed}).exit, ExitOk);
    refused({parts[0], otherSeed, parts[2]}, otherSeed + " is not a part of the same trace as " + parts[0] +
                                                 ": it was traced with seed 5, not 4");
    const std::string coated = Copy("ar_coated_wafer.brx");
    const std::string foreign = (folder / "foreign").string();
    ASSERT_EQ(Invoke({"trace", coated, "--all", "--seed", "4", "--slice", "2/3", "--output", foreign}).exit, ExitOk);
    refused({parts[0], foreign, parts[2]}, foreign + " is not a part of the same trace as " + parts[0] +
                                               ": it traced another document");
    const std::string ofTwo = (folder / "oftwo").string();
    ASSERT_EQ(Invoke({"trace", wafer, "--all", "--seed", "4", "--slice", "2/2", "--output", ofTwo}).exit, ExitOk);
    refused({parts[0], parts[1], ofTwo}, "it is one of 2 slices, not of 3");

    // A part edited after it was written, cut short, or no part at all.
    std::string bytes = ReadFile(parts[1]);
    const std::string damaged = (folder / "damaged").string();
    bytes[bytes.size() / 2] ^= 1;
    WriteFile(damaged, bytes);
    refused({parts[0], damaged, parts[2]}, damaged + ": the file is damaged or cut short");
    WriteFile(damaged, ReadFile(parts[1]).substr(0, 200));
    refused({parts[0], damaged, parts[2]}, damaged + ": the file is damaged or cut short");
    refused({parts[0], wafer, parts[2]}, wafer + ": not a Brelix partial-results file");
    refused({parts[0], (folder / "nothing").string()}, "cannot read " + (folder / "nothing").string());

    EXPECT_EQ(Merge(parts).exit, ExitOk);
}

// Every cut of a part is refused by what is read, not by luck: no prefix of the file is taken for a part.
TEST_F(Slices, NoCutOfAPartIsReadAsAPart) {
    const std::string wafer = Copy("planar_wafer.brx");
    const std::string part = (folder / "part").string(), cut = (folder / "cut").string();
    ASSERT_EQ(Invoke({"trace", wafer, "--slice", "1/1", "--output", part, "--quiet"}).exit, ExitOk);
    const std::string bytes = ReadFile(part);
    for (size_t size = 0; size < bytes.size(); size += 1 + size / 50) {
        WriteFile(cut, bytes.substr(0, size));
        EXPECT_EQ(Merge({cut}).exit, ExitUnreadable) << size;
    }
}

// A slice stopped by Ctrl-C writes nothing: a merge must never meet a part with rays missing.
TEST_F(Slices, AnInterruptedSliceWritesNothing) {
    const std::string wafer = Copy("planar_wafer.brx");
    const std::atomic<bool> interrupted{true};
    std::ostringstream out, err;
    CCliEnvironment environment{out, err, false, &interrupted};
    const std::string part = (folder / "part").string();
    EXPECT_EQ(RunCli({"trace", wafer, "--slice", "1/2", "--output", part}, environment), ExitInterrupted);
    EXPECT_TRUE(Contains(err.str(), "nothing was written")) << err.str();
    EXPECT_FALSE(fs::exists(part));
}

TEST_F(Slices, SliceOptionsAreChecked) {
    const std::string wafer = Copy("planar_wafer.brx");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"trace", wafer, "--slice", "0/3"}, {"trace", wafer, "--slice", "4/3"},
          {"trace", wafer, "--slice", "3"}, {"trace", wafer, "--slice", "1/0"}, {"trace", wafer, "--slice"},
          {"trace", wafer, "--slice", "1/2", "--threads", "0"}, {"trace", wafer, "--slice", "1/2", "--export"},
          {"trace", wafer, "--slice", "1/2", "--repeat", "3"}, {"trace", wafer, "--slice", "1/2", "--format", "csv"},
          {"merge"}, {"merge", "--frobnicate"}}) {
        const CRun run = Invoke(args);
        EXPECT_EQ(run.exit, ExitUsage) << args.back() << ": " << run.err;
    }
    // A folder where the part should go: reported, and the exit code says the results were not written.
    const CRun blocked = Invoke({"trace", wafer, "--slice", "1/2", "--output", folder.string(), "--quiet"});
    EXPECT_EQ(blocked.exit, ExitNotWritten);
    EXPECT_TRUE(Contains(blocked.err, "Cannot write file " + folder.string())) << blocked.err;
}

}  // namespace
}  // namespace brelix
