#include "core/available_memory.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <limits>
#include <sstream>

#include "core/format.h"

namespace brelix {

namespace {

constexpr uint64_t kUnknown = std::numeric_limits<uint64_t>::max();

// A kB field of /proc/meminfo or /proc/self/status ("MemAvailable:  123 kB"), in bytes.
uint64_t ProcField(const char* file, const std::string& name) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, name.size(), name) != 0) continue;
        std::istringstream fields(line.substr(name.size()));
        uint64_t kilobytes = 0;
        if (fields >> kilobytes) return kilobytes * 1024;
    }
    return kUnknown;
}

// A number alone in a file, as the control-group files hold it; "max" means no limit.
uint64_t FileNumber(const char* file) {
    std::ifstream in(file);
    uint64_t value = 0;
    if (in >> value) return value;
    return kUnknown;
}

uint64_t RoomUnder(uint64_t limit, uint64_t used) {
    if (limit == kUnknown) return kUnknown;
    if (used == kUnknown) return limit;
    return limit > used ? limit - used : 0;
}

uint64_t ResourceLimit(int resource) {
    rlimit limit{};
    if (::getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return kUnknown;
    return static_cast<uint64_t>(limit.rlim_cur);
}

}  // namespace

uint64_t AvailableMemoryBytes() {
    uint64_t available = ProcField("/proc/meminfo", "MemAvailable:");
    if (available == kUnknown) {
        const long pages = ::sysconf(_SC_AVPHYS_PAGES), pageSize = ::sysconf(_SC_PAGESIZE);
        if (pages > 0 && pageSize > 0) available = static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
    }
    available = std::min(available, RoomUnder(ResourceLimit(RLIMIT_AS), ProcField("/proc/self/status", "VmSize:")));
    available = std::min(available, RoomUnder(ResourceLimit(RLIMIT_DATA), ProcField("/proc/self/status", "VmData:")));
    // Control groups v2, then v1 (whose "no limit" is a huge number rather than "max").
    available = std::min(available, RoomUnder(FileNumber("/sys/fs/cgroup/memory.max"),
                                              FileNumber("/sys/fs/cgroup/memory.current")));
    available = std::min(available, RoomUnder(FileNumber("/sys/fs/cgroup/memory/memory.limit_in_bytes"),
                                              FileNumber("/sys/fs/cgroup/memory/memory.usage_in_bytes")));
    return available;
}

std::string FormatBytes(uint64_t bytes) {
    const double b = static_cast<double>(bytes);
    if (b >= 1e12) return FormatFixed(b / 1e12, 0, 1) + " TB";
    if (b >= 1e9) return FormatFixed(b / 1e9, 0, 1) + " GB";
    if (b >= 1e6) return FormatFixed(b / 1e6, 0, 1) + " MB";
    if (b >= 1e3) return FormatFixed(b / 1e3, 0, 1) + " kB";
    return FormatInt(static_cast<int64_t>(bytes)) + " bytes";
}

}  // namespace brelix
