#include "document/file_reading.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "document/file_descriptor.h"

namespace brelix {

namespace {

EFileRead CheckRegular(const struct stat& info, std::string& reason) {
    if (S_ISREG(info.st_mode)) return EFileRead::Read;
    // A folder gets the system's own words, as when opening it fails.
    if (S_ISDIR(info.st_mode)) {
        reason = SystemReason(EISDIR);
        return EFileRead::CannotOpen;
    }
    reason = "it is not a regular file";
    return EFileRead::NotRegular;
}

}  // namespace

EFileRead ReadRegularFile(const std::string& path, std::string& contents, std::string& reason) {
    contents.clear();
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) {
        reason = SystemReason(errno);
        return EFileRead::CannotOpen;
    }
    if (const EFileRead kind = CheckRegular(info, reason); kind != EFileRead::Read) return kind;
    // The path may name something else by the time it is opened: the open must not wait for a FIFO's
    // writer, and what was opened is looked at again.
    CFileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.Get() < 0 || ::fstat(file.Get(), &info) != 0) {
        reason = SystemReason(errno);
        return EFileRead::CannotOpen;
    }
    if (const EFileRead kind = CheckRegular(info, reason); kind != EFileRead::Read) return kind;

    try {
        contents.resize(static_cast<size_t>(info.st_size));
    } catch (const std::exception&) {  // bad_alloc, or length_error beyond what a string can hold
        reason = "it is too large to read";
        return EFileRead::CannotOpen;
    }
    size_t done = 0;
    while (done < contents.size()) {
        const ssize_t count = ::read(file.Get(), contents.data() + done, contents.size() - done);
        if (count == 0) break;  // the file was cut short since
        if (count < 0) {
            if (errno == EINTR) continue;
            reason = SystemReason(errno);
            return EFileRead::CannotRead;
        }
        done += static_cast<size_t>(count);
    }
    contents.resize(done);
    return EFileRead::Read;
}

}  // namespace brelix
