#include "document/document_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <system_error>

#include "core/batch_list.h"
#include "document/archive.h"
#include "document/file_descriptor.h"
#include "document/file_reading.h"

namespace brelix {

namespace {

std::string CannotWrite(const std::string& path, int error) {
    return "Cannot write file " + path + ": " + SystemReason(error) + ".";
}

bool WriteAll(int fd, const std::vector<uint8_t>& bytes) {
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

// The file a save replaces: the target of a symbolic link rather than the link itself.
std::string ResolveTarget(const std::string& path) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Creates a file of a new name beside the target. O_EXCL so that no other file is ever overwritten; the
// mode leaves the user's umask to decide, as for any new file.
int CreateTemporary(const std::string& target, std::string& name) {
    static std::atomic<uint32_t> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = target + ".saving-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

bool ReplaceFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
    const std::string target = ResolveTarget(path);
    std::string temporary;
    CFileDescriptor file(CreateTemporary(target, temporary));
    if (file.Get() < 0) {
        error = CannotWrite(path, errno);
        return false;
    }
    // A document that existed keeps its permissions.
    struct stat existing;
    if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
        (void)::fchmod(file.Get(), existing.st_mode & 07777);

    const bool written = WriteAll(file.Get(), bytes) && ::fsync(file.Get()) == 0 && file.Close() &&
                         ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!written) {
        const int reason = errno;
        file.Close();
        ::unlink(temporary.c_str());
        error = CannotWrite(path, reason);
        return false;
    }
    // The rename itself is made durable with the directory. The document is saved whatever this says:
    // the new file is complete under its name.
    const int directory = ::open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory >= 0) {
        (void)::fsync(directory);
        ::close(directory);
    }
    return true;
}

}  // namespace

std::vector<uint8_t> WriteDocument(const CBatchList& list) {
    CArchiveWriter archive;
    archive.Version(DocumentVersion);
    Serialize(archive, list, DocumentVersion);
    return archive.TakeBytes();
}

bool ReadDocument(std::span<const uint8_t> bytes, CBatchList& into, std::string& error) {
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
    return ReplaceFile(path, bytes, error);
}

bool OpenDocument(const std::string& path, CBatchList& document, std::string& error) {
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
    if (!ReadDocument(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), read, reason)) {
        error = "Cannot open file " + path + ": " + reason + ".";
        return false;
    }
    document.Swap(read);
    return true;
}

}  // namespace brelix
