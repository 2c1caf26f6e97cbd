// Counts in a document that promise elements that are not there, by one or by a few hundred: the reader
// refuses the document and says where. Each count is found in a real example document by writing the
// document again with one element more: the first bytes that differ are that count.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "core/batch_list.h"
#include "document/document_file.h"

namespace brelix {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadExample(const char* name) {
    std::ifstream in(std::filesystem::path(BRELIX_EXAMPLES) / name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

double DoubleAt(const Bytes& bytes, size_t at) {
    double value;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    return value;
}

// The offset of the count that `grow` raises by one, or bytes.size() when none is found.
size_t CountOffset(const Bytes& bytes, const std::function<void(CBatchList&)>& grow) {
    CBatchList list;
    std::string error;
    EXPECT_TRUE(ReadDocument(bytes, list, error)) << error;
    grow(list);
    const Bytes grown = WriteDocument(list);
    size_t first = 0;
    while (first < bytes.size() && first < grown.size() && bytes[first] == grown[first]) ++first;
    for (size_t at = first >= 7 ? first - 7 : 0; at <= first && at + 8 <= bytes.size(); ++at)
        if (DoubleAt(grown, at) == DoubleAt(bytes, at) + 1) return at;
    return bytes.size();
}

struct CCount {
    const char* document;
    const char* what;  // as the reader names it
    std::function<void(CBatchList&)> grow;
};

TEST(WrongCounts, MoreElementsThanTheDocumentHoldsAreRefused) {
    const CCount counts[] = {
        {"lambertian_rear.brx", "batch count", [](CBatchList& list) { list.Append(); }},
        {"lambertian_rear.brx", "point count",
         [](CBatchList& list) { list[0].spectrum.InsertSorted(5000, 1); }},
        {"textured_cell.brx", "layer count", [](CBatchList& list) { list[0].model.Append(); }},
        {"textured_cell.brx", "plane count", [](CBatchList& list) { list[0].model[0].Append(); }},
        {"planar_wafer.brx", "plane count", [](CBatchList& list) { list[0].model[2].Append(); }},
        {"wavelength_sweep.brx", "table row count",
         [](CBatchList& list) { list[0].model[1].optics.AppendCounted(COpticalPoint{.wavelength = 5000}); }},
        {"luminescent_layer.brx", "Stokes row count",
         [](CBatchList& list) { list[0].model[1].optics.AppendCounted(COpticalPoint{.wavelength = 5000}); }},
    };
    for (const CCount& count : counts) {
        const Bytes bytes = ReadExample(count.document);
        const size_t at = CountOffset(bytes, count.grow);
        ASSERT_LT(at, bytes.size()) << count.document << ": " << count.what << " not found";
        for (double extra : {1.0, 2.0, 300.0}) {
            SCOPED_TRACE(::testing::Message() << count.document << " " << count.what << " + " << extra);
            Bytes wrong = bytes;
            const double value = DoubleAt(bytes, at) + extra;
            std::memcpy(wrong.data() + at, &value, sizeof value);
            CBatchList list;
            std::string error;
            EXPECT_FALSE(ReadDocument(wrong, list, error));
            EXPECT_NE(error.find(" at byte "), std::string::npos) << error;
            // A few hundred elements cannot fit in what is left: the count itself is named.
            if (extra == 300) {
                EXPECT_EQ(error.rfind(count.what + std::string(" at byte ") + std::to_string(at), 0), 0u)
                    << error;
            }
        }
    }
}

}  // namespace
}  // namespace brelix
