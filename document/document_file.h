#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace brelix {

class CBatchList;

// A document file is the document record: the version 6.0, then the batch list with every batch, its
// spectrum, model and drawing settings. Results, queues and run counters are not stored.

// The bytes of a document. Throws std::length_error only for a text of 4 GiB or more.
std::vector<uint8_t> WriteDocument(const CBatchList& list);

// Reads a whole document into `into`, which is reset first. Bytes after the document are an error, as
// they mean the file is not what it claims to be. On failure returns false with `error` naming what is
// wrong and at which byte; `into` is then partly read (OpenDocument keeps a document safe from that).
// What the user should know about a document read all the same (it held no batches, so it holds one new
// default batch) is appended to `notices`.
bool ReadDocument(std::span<const uint8_t> bytes, CBatchList& into, std::string& error,
                  std::vector<std::string>* notices = nullptr);

// Saves atomically, as ReplaceFile (document/file_replacing.h) writes: the target is always the old file or
// the new one, whole. A symbolic link to a regular file is followed (the file is replaced, the link stays);
// a folder, FIFO, device, socket or dangling link is refused. On failure (cannot create, disk full, no
// permission...) an existing file is left as it was and `error` names the file and the reason.
bool SaveDocument(const std::string& path, const CBatchList& list, std::string& error);

// Reads a document file, which must be a regular file (or a link to one), into a fresh list and, only when
// all of it was read, swaps it into `document` and appends its notices as ReadDocument does. On failure
// `document` is untouched and `error` names the file and the reason. The caller stops a trace that runs on
// `document` first.
bool OpenDocument(const std::string& path, CBatchList& document, std::string& error,
                  std::vector<std::string>* notices = nullptr);

}  // namespace brelix
