#include "document/result_columns.h"

#include <algorithm>
#include <atomic>

namespace brelix {

std::vector<const CSweepColumn*> VaryingSweeps(const CBatch& batch) {
    std::vector<const CSweepColumn*> sweeps;
    for (const CSweepColumn& sweep : kSweepColumns)
        if (std::atomic_ref<const int32_t>(batch.*sweep.varies).load(std::memory_order_relaxed))
            sweeps.push_back(&sweep);
    return sweeps;
}

std::vector<CResultColumn> ResultColumns(const CModel& model) {
    std::vector<CResultColumn> columns;
    for (const CLayer& layer : model) {
        columns.push_back({&layer.results, &layer, nullptr});
        for (const CPlane& plane : layer) columns.push_back({&plane.results, &layer, &plane});
    }
    return columns;
}

std::string TabSeparatedCell(std::string name) {
    std::replace_if(
        name.begin(), name.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return name;
}

}  // namespace brelix
