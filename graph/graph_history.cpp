#include "graph/graph_history.h"

#include "core/format.h"

namespace brelix {

void CGraphHistory::Add(std::string name, const CGraph& graph, CGraphData data) {
    if (entries_.size() == MaxEntries) entries_.pop_front();
    entries_.push_back({++added_, std::move(name), graph, std::move(data)});
}

std::string CGraphHistory::Title(const CEntry& entry) {
    return "Previous simulation #" + FormatInt(entry.number) + " - " + entry.name;
}

}  // namespace brelix
