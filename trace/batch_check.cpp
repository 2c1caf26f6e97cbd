#include "trace/batch_check.h"

#include <algorithm>

#include "core/available_memory.h"
#include "trace/batch_memory.h"
#include "trace/batch_values.h"
#include "trace/ray_sources.h"

namespace brelix {

bool CheckBatch(const CBatch& batch, std::string& error) { return CheckBatch(batch, error, AvailableMemoryBytes()); }

bool CheckBatch(const CBatch& batch, std::string& error, uint64_t availableMemory) {
    // A sweep is walked value by value: no further than the rows the memory could hold, since each of
    // its values makes a row of its own.
    const uint64_t countLimit = std::min<uint64_t>(kMaxSourceRays, availableMemory / ResultRowBytes(batch));
    std::string problem = BatchValueProblem(batch, countLimit);
    if (problem.empty()) problem = BatchMemoryProblem(batch, availableMemory);
    if (problem.empty()) return true;
    error = "Batch \"" + batch.name + "\" cannot be traced: " + problem + ".";
    return false;
}

}  // namespace brelix
