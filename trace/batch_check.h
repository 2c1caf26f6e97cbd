#pragma once

#include <cstdint>
#include <string>

#include "core/batch.h"

namespace brelix {

// Checks, before a trace starts, that the batch can be traced: that its values cannot make NaN or
// meaningless results and its sweeps end (BatchValueProblem), and that its rays and its largest split fit
// in the memory available (BatchMemoryProblem). Otherwise `error` names the batch, the element and the
// field, and what to change.
bool CheckBatch(const CBatch& batch, std::string& error);
// The same with the memory available given.
bool CheckBatch(const CBatch& batch, std::string& error, uint64_t availableMemory);

}  // namespace brelix
