#include "trace/thread_priority.h"

#if defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace brelix {

void LowerThisThreadsPriority() {
#if defined(__linux__)
    // On Linux the nice value belongs to the thread: a higher one for the worker alone. Failing to
    // change it only leaves the priority as it was.
    const int current = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    (void)setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), current + 5 > 19 ? 19 : current + 5);
#endif
}

}  // namespace brelix
