#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "graph/graph.h"

namespace brelix {

class CBatch;

struct CGraphSeries {
    ESeriesType type = SeriesNone;
    std::string name;
    std::vector<double> y;  // one value per x value
};

// The points of a graph: x values in increasing order and up to CGraph::MaxSeries series over them.
struct CGraphData {
    std::vector<double> x;
    std::vector<CGraphSeries> series;
};

// The graph view's data. The points of a wavelength graph are the result records whose position, azimuth
// and declination are the start values of the batch's sweeps, at their wavelength; those of a position
// graph are all records, at their x or y position. Points are ordered by x (equal ones keep the records'
// order). There is a series for each layer whose tree item is checked, followed by its checked planes, in
// model order, at most CGraph::MaxSeries, each the layer's or plane's absorption at the points; a record
// the layer or plane does not hold yet counts 0. The records are read as the trace worker may be adding
// them: records made later are left to the next build.
CGraphData BuildCheckedSeries(const CBatch& batch, EGraphKind kind);

}  // namespace brelix
