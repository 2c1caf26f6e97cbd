// The bundled example documents as test material for the document format: they read back to the same
// bytes, and every cut-short copy of them is refused cleanly.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/batch_list.h"
#include "document/document_file.h"

namespace brelix {
namespace {

std::vector<std::filesystem::path> ExampleDocuments() {
    std::vector<std::filesystem::path> documents;
    for (const auto& entry : std::filesystem::directory_iterator(BRELIX_EXAMPLES))
        if (entry.path().extension() == ".brx") documents.push_back(entry.path());
    return documents;
}

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

TEST(ExampleDocuments, ReadAndWriteBackToTheSameBytes) {
    const auto documents = ExampleDocuments();
    ASSERT_EQ(documents.size(), 6u);
    for (const auto& path : documents) {
        const std::vector<uint8_t> bytes = ReadBytes(path);
        CBatchList list;
        std::string error;
        ASSERT_TRUE(ReadDocument(bytes, list, error)) << path << ": " << error;
        EXPECT_EQ(WriteDocument(list), bytes) << path;
    }
}

TEST(ExampleDocuments, EveryTruncationFailsCleanly) {
    for (const auto& path : ExampleDocuments()) {
        const std::vector<uint8_t> bytes = ReadBytes(path);
        for (size_t length = 0; length < bytes.size(); ++length) {
            CBatchList list;
            std::string error;
            ASSERT_FALSE(ReadDocument(std::span(bytes.data(), length), list, error)) << path << " cut at " << length;
            ASSERT_FALSE(error.empty());
        }
    }
}

}  // namespace
}  // namespace brelix
