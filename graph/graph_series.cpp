#include "graph/graph_series.h"

#include <algorithm>
#include <numeric>

#include "core/batch.h"

namespace brelix {

namespace {

bool AtSweepStarts(const CBatch& batch, const CResultKey& key) {
    return key.x == batch.xSweep.start && key.y == batch.ySweep.start && key.z == batch.zSweep.start &&
           key.azimuth == batch.azimuthSweep.start && key.declination == batch.declinationSweep.start;
}

double XOf(const CResultKey& key, EGraphKind kind) {
    switch (kind) {
        case GraphXPosition:
            return key.x;
        case GraphYPosition:
            return key.y;
        case GraphWavelength:
            break;
    }
    return key.wavelength;
}

struct CGraphPoints {
    std::vector<uint32_t> records;
    std::vector<double> x;
};

CGraphPoints SelectPoints(const CBatch& batch, EGraphKind kind) {
    const CResultList& results = batch.model.results;
    const uint32_t count = results.GetSize();
    std::vector<uint32_t> records;
    std::vector<double> x;
    for (uint32_t i = 0; i < count; ++i) {
        const CResultKey key = results[i].Snapshot().key;
        if (kind == GraphWavelength && !AtSweepStarts(batch, key)) continue;
        records.push_back(i);
        x.push_back(XOf(key, kind));
    }
    // Re-emitted light adds records at new wavelengths after the swept ones: finding a point by its x, and
    // drawing a line through the points, need them in order.
    std::vector<size_t> order(records.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return x[a] < x[b]; });
    CGraphPoints points;
    for (size_t i : order) {
        points.records.push_back(records[i]);
        points.x.push_back(x[i]);
    }
    return points;
}

std::vector<double> Absorption(const CResultList& results, const std::vector<uint32_t>& records) {
    const uint32_t size = results.GetSize();
    std::vector<double> y;
    y.reserve(records.size());
    for (uint32_t i : records) y.push_back(i < size ? CResultRecord::Load(results[i].absorbed) : 0.0);
    return y;
}

}  // namespace

CGraphData BuildCheckedSeries(const CBatch& batch, EGraphKind kind) {
    CGraphPoints points = SelectPoints(batch, kind);
    CGraphData data;
    auto add = [&](ESeriesType type, const std::string& name, const CResultList& results) {
        if (data.series.size() < CGraph::MaxSeries)
            data.series.push_back({type, name, Absorption(results, points.records)});
    };
    for (const CLayer& layer : batch.model) {
        if (layer.treeChecked) add(SeriesLayer, layer.name, layer.results);
        for (const CPlane& plane : layer)
            if (plane.treeChecked) add(SeriesPlane, plane.name, plane.results);
    }
    data.x = std::move(points.x);
    return data;
}

}  // namespace brelix
