// The partial-results reader and the merge on any bytes. The input is a part without its checksum, which
// is appended here, so that the fuzzer explores what lies behind it rather than the checksum. A part the
// reader accepts writes back to the same bytes, and merging it alone never reads outside its document's
// results.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/batch_list.h"
#include "document/partial_results.h"
#include "fuzz/require.h"

using namespace brelix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    uint64_t checksum = 0xcbf29ce484222325u;
    for (const uint8_t byte : bytes) checksum = (checksum ^ byte) * 0x100000001b3u;
    for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<uint8_t>(checksum >> (8 * i)));

    std::vector<CNamedPart> parts(1);
    std::string error;
    if (!ReadPartialResults(bytes, parts[0].part, error)) {
        fuzz::Require(!error.empty(), "a part that fails to read says why");
        return 0;
    }
    fuzz::Require(WritePartialResults(parts[0].part) == bytes, "a part read writes back to the same bytes");
    if (!MatchParts(parts, error)) {
        fuzz::Require(!error.empty(), "parts that do not match say why");
        return 0;
    }
    CBatchList merged;
    std::vector<uint32_t> numbers;
    if (!MergeParts(parts, merged, numbers, error)) fuzz::Require(!error.empty(), "a merge that fails says why");
    return 0;
}
