// Documents and data files are regular files. Anything else (a FIFO, a device, a link to one) is refused
// at once: a FIFO would block the open for ever and a device never ends.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>

#include "core/batch_list.h"
#include "core/messages.h"
#include "document/data_readers.h"
#include "document/document_file.h"

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

}  // namespace
}  // namespace brelix
