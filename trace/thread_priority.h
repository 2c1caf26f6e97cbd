#pragma once

namespace brelix {

// Lowers the calling thread's scheduling priority below the rest of the process, where the platform
// allows it, so that a trace never makes the user interface wait for a core.
void LowerThisThreadsPriority();

}  // namespace brelix
