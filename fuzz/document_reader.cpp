// The document reader on any bytes. A document it accepts must write back to bytes that read again to the
// same document: what a user saves after opening a file is what they opened.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/batch_list.h"
#include "document/document_file.h"
#include "fuzz/require.h"

using namespace brelix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CBatchList read;
    std::string error;
    if (!ReadDocument({data, size}, read, error)) {
        fuzz::Require(!error.empty(), "a document that fails to read says why");
        return 0;
    }
    const std::vector<uint8_t> written = WriteDocument(read);
    CBatchList again;
    fuzz::Require(ReadDocument(written, again, error), "a written document reads");
    fuzz::Require(WriteDocument(again) == written, "a document read back writes the same bytes");
    return 0;
}
