#pragma once

#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

namespace brelix {

// Owns a POSIX file descriptor and closes it once.
class CFileDescriptor {
public:
    explicit CFileDescriptor(int fd) : fd_(fd) {}
    CFileDescriptor(const CFileDescriptor&) = delete;
    CFileDescriptor& operator=(const CFileDescriptor&) = delete;
    ~CFileDescriptor() { Close(); }
    int Get() const { return fd_; }
    // False, with errno set, when the close fails: on some file systems a failed write is only reported
    // there.
    bool Close() {
        if (fd_ < 0) return true;
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

// The system's words for an errno value. EIO stands in should a failed call leave errno 0.
inline std::string SystemReason(int error) {
    return std::generic_category().message(error != 0 ? error : EIO);
}

}  // namespace brelix
