#include "document/file_replacing.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <random>

#include "document/file_descriptor.h"

namespace brelix {

namespace {

// The file a write replaces: `path` itself, or the regular file a link at `path` leads to, with the
// permissions to keep. A new name has none to keep; a missing folder is reported when the temporary cannot
// be made there.
bool FindTarget(const std::string& path, std::string& target, std::optional<mode_t>& permissions,
                std::string& reason) {
    struct stat node;
    if (::lstat(path.c_str(), &node) != 0) {
        if (errno != ENOENT) {
            reason = SystemReason(errno);
            return false;
        }
        target = path;
        return true;
    }
    const bool link = S_ISLNK(node.st_mode);
    if (link && ::stat(path.c_str(), &node) != 0) {
        reason = errno == ENOENT ? "it is a symbolic link whose target does not exist" : SystemReason(errno);
        return false;
    }
    if (S_ISDIR(node.st_mode)) {
        reason = SystemReason(EISDIR);
        return false;
    }
    if (!S_ISREG(node.st_mode)) {
        reason = "it is not a regular file";
        return false;
    }
    target = path;
    if (link) {
        const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                                   &std::free);
        if (!resolved) {
            reason = SystemReason(errno);
            return false;
        }
        target = resolved.get();
    }
    permissions = node.st_mode & 07777;
    return true;
}

std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Hex(uint64_t value) {
    char text[16];
    const auto end = std::to_chars(text, text + sizeof text, value, 16).ptr;
    return std::string(text, end);
}

// 64 bits no other writer is likely to draw. Processes on other hosts or in other containers may write
// into the same folder, so a process id and a counter alone could repeat.
uint64_t RandomBits() {
    uint64_t bits = static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    try {
        std::random_device device;
        bits ^= (uint64_t{device()} << 32) ^ device();
    } catch (const std::exception&) {
        // No random device: the clock and, below, the process id and counter still tell writers apart.
    }
    return bits;
}

// Creates a file of a new name in `folder`. O_EXCL: no other file is ever written through, whatever
// another writer or a link of that name does. Hidden, and short so that a long target name still leaves
// room for it.
int CreateTemporary(const std::string& folder, std::string& name) {
    static std::atomic<uint32_t> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = folder + "/.brelix-" + Hex(RandomBits()) + "-" + std::to_string(::getpid()) + "-" +
               std::to_string(counter++) + ".tmp";
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

bool WriteAll(int fd, std::span<const std::byte> bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(written);
    }
    return true;
}

}  // namespace

bool ReplaceFile(const std::string& path, std::span<const std::byte> bytes, std::string& reason) {
    return ReplaceFile(path, [&](const CBytesWriter& write) { return write(bytes); }, reason);
}

bool ReplaceFile(const std::string& path, const std::function<bool(const CBytesWriter&)>& produce,
                 std::string& reason) {
    std::string target;
    std::optional<mode_t> permissions;
    if (!FindTarget(path, target, permissions, reason)) return false;

    const std::string folder = DirectoryOf(target);
    std::string temporary;
    CFileDescriptor file(CreateTemporary(folder, temporary));
    if (file.Get() < 0) {
        reason = SystemReason(errno);
        return false;
    }
    if (permissions) (void)::fchmod(file.Get(), *permissions);

    const int fd = file.Get();
    const bool written = produce([fd](std::span<const std::byte> bytes) { return WriteAll(fd, bytes); }) &&
                         ::fsync(file.Get()) == 0 && file.Close() &&
                         ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!written) {
        const int error = errno;
        file.Close();
        ::unlink(temporary.c_str());
        reason = SystemReason(error);
        return false;
    }
    // The rename itself is made durable with the folder. The file is written whatever this says: the new
    // file is complete under its name.
    const int directory = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory >= 0) {
        (void)::fsync(directory);
        ::close(directory);
    }
    return true;
}

}  // namespace brelix
