#include "trace/batch_check.h"

#include <algorithm>

#include "core/available_memory.h"
#include "trace/batch_memory.h"
#include "trace/batch_values.h"
#include "trace/ray_sources.h"

namespace brelix {

bool CheckBatch(const CBatch& batch, std::string& error) { return CheckBatch(batch, error, AvailableMemoryBytes()); }

bool CheckBatch(const CBatch& batch, std::string& error, uint64_t availableMemory) {
    // A sweep is walked value by value: no further than a batch or the memory could hold its values.
    const uint64_t countLimit = std::min<uint64_t>(kMaxSourceRays, availableMemory / sizeof(double));
    std::string problem = BatchValueProblem(batch, countLimit);
    if (problem.empty()) problem = BatchMemoryProblem(batch, availableMemory);
    if (problem.empty()) return true;
    error = "Batch \"" + batch.name + "\" cannot be traced: " + problem + ".";
    return false;
}

}  // namespace brelix
