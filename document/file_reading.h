#pragma once

#include <string>

namespace brelix {

// How reading a whole file ended.
enum class EFileRead {
    Read,
    CannotOpen,  // missing, not permitted, a folder, or too large to hold in memory
    NotRegular,  // a FIFO, a device or a socket
    CannotRead,  // the system failed part way
};

// Reads the whole of a regular file into `contents`, following symbolic links. Documents and data files
// are regular files; anything else is refused without being opened for reading, as a FIFO would block
// the open for ever and a device such as /dev/zero never ends. At most the size the file has when it is
// opened is read. On failure `reason` says why, in words that can follow "Cannot open file NAME: ".
EFileRead ReadRegularFile(const std::string& path, std::string& contents, std::string& reason);

}  // namespace brelix
