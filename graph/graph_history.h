#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "graph/graph.h"
#include "graph/graph_series.h"

namespace brelix {

// The graph view's earlier results, kept for comparison. The view adds an entry when a trace of the batch
// it shows starts, holding the plot as it stood (the results of the previous simulation) before the trace
// clears them, if it had points. The user finds the entries, newest first, by their titles in the graph
// view's "History" menu; choosing one shows it under its title until the next graph command or trace.
class CGraphHistory {
  public:
    static constexpr size_t MaxEntries = 100;

    struct CEntry {
        uint32_t number;   // from 1, in the order added; an entry keeps its number
        std::string name;  // the batch's
        CGraph graph;
        CGraphData data;
    };

    // Keeps the last MaxEntries: the oldest goes first.
    void Add(std::string name, const CGraph& graph, CGraphData data);
    size_t Count() const { return entries_.size(); }
    // Oldest first.
    const CEntry& operator[](size_t index) const { return entries_[index]; }

    // "Previous simulation #N - NAME"
    static std::string Title(const CEntry& entry);

  private:
    std::deque<CEntry> entries_;
    uint32_t added_ = 0;
};

}  // namespace brelix
