#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>

namespace brelix {

// Writes `bytes` as the file `path`, replacing a file of that name, so that the name always holds the old
// file whole or the new one whole. The bytes go to a new file beside the target, created exclusively under
// a name no other writer picks (so nothing else is ever written through), are flushed to the disk, and
// only then renamed over the target.
//
// A symbolic link to a regular file is followed: the file is replaced and the link stays. Anything that is
// neither a regular file nor a new name (a folder, FIFO, device or socket, a link to one, a link to
// nothing) is refused, as the rename would put a regular file in its place. A replaced file keeps its
// permissions; a new one gets those the umask leaves.
//
// On failure nothing is changed, the temporary is removed and `reason` says why, in words that can follow
// "Cannot write file NAME: ".
bool ReplaceFile(const std::string& path, std::span<const std::byte> bytes, std::string& reason);

// Hands one piece of a file's bytes to the file; false when it could not be written.
using CBytesWriter = std::function<bool(std::span<const std::byte>)>;
// The same, for bytes made in pieces (a table of millions of rows need not be held whole): `produce`
// hands each piece to the writer it is given, and returns false when a write failed or it gave up.
bool ReplaceFile(const std::string& path, const std::function<bool(const CBytesWriter&)>& produce,
                 std::string& reason);

}  // namespace brelix
