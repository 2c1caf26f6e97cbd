// Saving and opening document files: a failed save never damages the file it would have replaced, and a
// failed open never touches the open document.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "core/batch_list.h"
#include "document/document_file.h"

namespace brelix {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

class DocumentFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "brelix-document-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir_);
    }

    std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }
    std::set<std::string> Listing() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) names.insert(entry.path().filename().string());
        return names;
    }
    static Bytes Contents(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    static void Put(const std::string& path, const Bytes& bytes) {
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
    }

    fs::path dir_;
};

CBatchList& Named(CBatchList& list, const char* name) {
    list.Current().name = name;
    list.Current().model.Append().SetName("Layer of " + std::string(name));
    return list;
}

TEST_F(DocumentFile, SaveReplacesTheFileAndOpenReadsItBack) {
    const std::string path = PathOf("cell.doc");
    Put(path, Bytes(2000, 'x'));
    ::chmod(path.c_str(), 0640);

    CBatchList saved;
    Named(saved, "Saved");
    std::string error;
    ASSERT_TRUE(SaveDocument(path, saved, error)) << error;
    EXPECT_EQ(Contents(path), WriteDocument(saved));
    EXPECT_EQ(Listing(), std::set<std::string>{"cell.doc"}) << "no temporary file is left behind";
    struct stat info;
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u) << "the replaced file keeps its permissions";

    CBatchList document;
    document.Append();
    ASSERT_TRUE(OpenDocument(path, document, error)) << error;
    ASSERT_EQ(document.GetCount(), 1u);
    EXPECT_EQ(document[0].name, "Saved");
    EXPECT_EQ(document[0].model[0].GetName(), "Layer of Saved");
}

TEST_F(DocumentFile, SaveThroughALinkReplacesTheFileItPointsTo) {
    const std::string target = PathOf("real.doc");
    const std::string link = PathOf("link.doc");
    Put(target, Bytes(10, 'x'));
    ASSERT_EQ(::symlink("real.doc", link.c_str()), 0);
    CBatchList list;
    std::string error;
    ASSERT_TRUE(SaveDocument(link, Named(list, "Linked"), error)) << error;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Contents(target), WriteDocument(list));
    EXPECT_EQ(Listing(), (std::set<std::string>{"link.doc", "real.doc"}));
}

TEST_F(DocumentFile, FailedSavesLeaveTheOldFileAndNoTemporary) {
    CBatchList list;
    Named(list, "New");
    std::string error;

    const std::string missing = PathOf("missing/cell.doc");
    EXPECT_FALSE(SaveDocument(missing, list, error));
    EXPECT_EQ(error, "Cannot write file " + missing + ": No such file or directory.");

    // The rename is what fails here, after the temporary file was written in full.
    const std::string directory = PathOf("folder.doc");
    fs::create_directory(directory);
    EXPECT_FALSE(SaveDocument(directory, list, error));
    EXPECT_EQ(error, "Cannot write file " + directory + ": Is a directory.");
    EXPECT_EQ(Listing(), std::set<std::string>{"folder.doc"});

    // A write that fails part way, as on a full disk: files may not grow past 100 bytes.
    const std::string path = PathOf("cell.doc");
    const Bytes precious(300, 'p');
    Put(path, precious);
    rlimit previous;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit small = previous;
    small.rlim_cur = 100;
    auto* handler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = SaveDocument(path, list, error);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, handler);
    EXPECT_FALSE(saved);
    EXPECT_EQ(error, "Cannot write file " + path + ": File too large.");
    EXPECT_EQ(Contents(path), precious);
    EXPECT_EQ(Listing(), (std::set<std::string>{"cell.doc", "folder.doc"}));

    // A folder the user may not write to; root writes anywhere, so this part needs an ordinary user.
    if (::geteuid() != 0) {
        fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(SaveDocument(path, list, error));
        EXPECT_EQ(error, "Cannot write file " + path + ": Permission denied.");
        EXPECT_EQ(Contents(path), precious);
    }
}

TEST_F(DocumentFile, FailedOpensLeaveTheDocumentAlone) {
    CBatchList document;
    Named(document, "Open");
    document.Append().name = "Second";
    const Bytes before = WriteDocument(document);

    const std::string truncated = PathOf("truncated.doc");
    CBatchList other;
    Bytes bytes = WriteDocument(Named(other, "Other"));
    bytes.resize(bytes.size() - 3);
    Put(truncated, bytes);
    const std::string missing = PathOf("missing.doc");

    struct Case {
        std::string path;
        std::string error;
    };
    const Case cases[] = {
        {missing, "Cannot open file " + missing + ": No such file or directory."},
        {dir_.string(), "Cannot open file " + dir_.string() + ": Is a directory."},
        {truncated, "Cannot open file " + truncated +
                        ": unexpected end of the document at byte 770 while reading the scale-by-wavelength "
                        "switch (batch 1, drawing tools)."},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(OpenDocument(c.path, document, error)) << c.path;
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(WriteDocument(document), before) << c.path;
    }
}

}  // namespace
}  // namespace brelix
