#pragma once

#include <cstdint>
#include <string>

namespace brelix {

// The bytes this process can still allocate before the system says no: the least of the memory the
// machine has available, the room left under the address-space and data limits (ulimit -v, -d), and the
// room left in the process's memory control group. A batch that needs more is refused before it starts,
// rather than ending the program (or a shared machine's memory) halfway through.
uint64_t AvailableMemoryBytes();

// "1.5 GB", "640.0 MB": a byte count for messages.
std::string FormatBytes(uint64_t bytes);

}  // namespace brelix
