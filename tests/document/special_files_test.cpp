// Documents and data files are regular files. Anything else (a FIFO, a device, a link to one) is refused
// at once when read, as a FIFO would block the open for ever and a device never ends, and is never
// replaced by a save or an export.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <map>

#include "core/batch_list.h"
#include "core/messages.h"
#include "document/data_readers.h"
#include "document/document_file.h"
#include "document/results_export.h"

namespace brelix {
namespace {

namespace fs = std::filesystem;
using Shown = std::vector<std::pair<std::string, std::string>>;

struct CShown : IMessages {
    void Show(const std::string& text, const std::string& tag) override { shown.push_back({text, tag}); }
    Shown shown;
};

class SpecialFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(::mkdtemp(dir_.data()), nullptr);
        fifo_ = dir_ + "/fifo", link_ = dir_ + "/link";
        ASSERT_EQ(::mkfifo(fifo_.c_str(), 0600), 0);
        ASSERT_EQ(::symlink(fifo_.c_str(), link_.c_str()), 0);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs `call`, which must not wait on the FIFO. Should it block there, the FIFO is opened for writing
    // so that the call returns and the test fails instead of hanging.
    template <class Call>
    auto WithoutBlocking(Call call) {
        auto result = std::async(std::launch::async, call);
        if (result.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
            ADD_FAILURE() << "blocked on the FIFO";
            const int writer = ::open(fifo_.c_str(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0) ::close(writer);
        }
        return result.get();
    }

    std::string dir_ = ::testing::TempDir() + "brelix-special-XXXXXX";
    std::string fifo_, link_;
};

TEST_F(SpecialFiles, AreNotReadAsDocumentsOrDataFiles) {
    for (const std::string& path : {fifo_, link_, std::string("/dev/zero"), std::string("/dev/urandom")}) {
        CBatchList list;
        list[0].name = "Open";
        std::string error;
        EXPECT_FALSE(WithoutBlocking([&] { return OpenDocument(path, list, error); })) << path;
        EXPECT_EQ(error, "Cannot open file " + path + ": it is not a regular file.");
        EXPECT_EQ(list[0].name, "Open");

        CShown messages;
        CLayer layer;
        CPlane plane;
        CBatch batch;
        layer.SetFileName(path, FormatWNAS);
        plane.SetFileName(path);
        batch.spectrumFile = path;
        EXPECT_FALSE(WithoutBlocking([&] { return LoadDataFile(layer, FormatWNAS, messages); })) << path;
        EXPECT_FALSE(WithoutBlocking([&] { return LoadDataFile(plane, messages); })) << path;
        EXPECT_FALSE(WithoutBlocking([&] { return LoadSpectrumFile(batch, messages); })) << path;
        EXPECT_EQ(messages.shown,
                  Shown(3, {"Error could not open \"" + path + "\": it is not a regular file.", "Brelix"}));
    }
}

TEST_F(SpecialFiles, AreNotReplacedBySavesOrExports) {
    // Each node is named as the export of a batch of that name would name its file.
    const std::string document = dir_ + "/cell";
    const auto path = [&](const std::string& name) { return document + "_" + name + ".bxo"; };
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    ASSERT_EQ(::symlink(fifo_.c_str(), path("link").c_str()), 0);
    ASSERT_EQ(::symlink("missing", path("dangling").c_str()), 0);
    ASSERT_TRUE(fs::create_directory(path("folder")));
    const auto nodes = [&] {
        std::map<std::string, fs::file_type> types;
        for (const auto& entry : fs::directory_iterator(dir_))
            types[entry.path()] = entry.symlink_status().type();
        return types;
    };
    const auto before = nodes();

    const std::pair<std::string, std::string> cases[] = {
        {"fifo", "it is not a regular file"},
        {"link", "it is not a regular file"},
        {"dangling", "it is a symbolic link whose target does not exist"},
        {"folder", "Is a directory"},
    };
    for (const auto& [name, reason] : cases) {
        CBatchList list;
        list[0].name = name;
        std::string error;
        EXPECT_FALSE(SaveDocument(path(name), list, error)) << name;
        EXPECT_EQ(error, "Cannot write file " + path(name) + ": " + reason + ".");
        CShown messages;
        const uint32_t first[] = {0};
        EXPECT_FALSE(ExportResults(list, first, document, messages)) << name;
        EXPECT_EQ(messages.shown,
                  (Shown{{"Cannot write file " + path(name) + ":\n" + reason + ".", "Brelix"}}));
    }
    EXPECT_EQ(nodes(), before) << "every node as it was, and no temporary left";
}

}  // namespace
}  // namespace brelix
