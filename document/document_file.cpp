#include "document/document_file.h"

#include <new>
#include <stdexcept>

#include "core/batch_list.h"
#include "document/archive.h"
#include "document/file_reading.h"
#include "document/file_replacing.h"

namespace brelix {

std::vector<uint8_t> WriteDocument(const CBatchList& list) {
    CArchiveWriter archive;
    archive.Version(DocumentVersion);
    Serialize(archive, list, DocumentVersion);
    return archive.TakeBytes();
}

bool ReadDocument(std::span<const uint8_t> bytes, CBatchList& into, std::string& error,
                  std::vector<std::string>* notices) {
    CArchiveReader archive(bytes);
    try {
        // The document's version is read and dropped: the document keeps its own.
        archive.Version(DocumentVersion);
        into.Reset();
        Serialize(archive, into, DocumentVersion);
        archive.ExpectEnd();
    } catch (const std::bad_alloc&) {
        archive.Fail(archive.Offset(), "not enough memory to read the document (at byte " +
                                           std::to_string(archive.Offset()) + ")");
    }
    if (archive.Failed()) {
        error = archive.Error();
        return false;
    }
    if (notices) notices->insert(notices->end(), archive.Notes().begin(), archive.Notes().end());
    return true;
}

bool SaveDocument(const std::string& path, const CBatchList& list, std::string& error) {
    if (path.empty()) {
        error = "Cannot write the document: no file name was given.";
        return false;
    }
    std::vector<uint8_t> bytes;
    try {
        bytes = WriteDocument(list);
    } catch (const std::exception& failure) {
        error = "Cannot write file " + path + ": " + failure.what() + ".";
        return false;
    }
    std::string reason;
    if (ReplaceFile(path, std::as_bytes(std::span(bytes)), reason)) return true;
    error = "Cannot write file " + path + ": " + reason + ".";
    return false;
}

bool OpenDocument(const std::string& path, CBatchList& document, std::string& error,
                  std::vector<std::string>* notices) {
    std::string bytes, reason;
    switch (ReadRegularFile(path, bytes, reason)) {
        case EFileRead::Read:
            break;
        case EFileRead::CannotRead:
            error = "Cannot read file " + path + ": " + reason + ".";
            return false;
        default:
            error = "Cannot open file " + path + ": " + reason + ".";
            return false;
    }
    CBatchList read;
    if (!ReadDocument(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), read, reason,
                      notices)) {
        error = "Cannot open file " + path + ": " + reason + ".";
        return false;
    }
    document.Swap(read);
    return true;
}

}  // namespace brelix
