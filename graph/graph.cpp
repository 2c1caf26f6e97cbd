#include "graph/graph.h"

#include <algorithm>

#include "graph/graph_series.h"

namespace brelix {

namespace {

struct CKindTexts {
    const char* title;
    const char* xLabel;
    const char* xUnit;
};

CKindTexts TextsOf(EGraphKind kind) {
    switch (kind) {
        case GraphXPosition:
            return {"Position (x) Dependent Absorption", "Position", "#um"};
        case GraphYPosition:
            return {"Position (y) Dependent Absorption", "Position", "#um"};
        case GraphWavelength:
            break;
    }
    return {"Wavelength Dependent Absorption", "Wavelength", "#nm"};
}

}  // namespace

CGraph::CGraph(EGraphKind graphKind) : kind(graphKind) {
    const CKindTexts texts = TextsOf(kind);
    title = texts.title;
    xLabel = texts.xLabel;
    yLabel = "Absorption";
    xDescriptor.unit = texts.xUnit;
    xDescriptor.label = xLabel;
    for (CSeriesDescriptor& descriptor : seriesDescriptors) descriptor.unit = "#";
}

void CGraph::SetSeries(const CGraphData& data) {
    for (size_t k = 0; k < MaxSeries; ++k) {
        const bool present = k < data.series.size();
        seriesTypes[k] = present ? data.series[k].type : SeriesNone;
        seriesDescriptors[k].label = present ? data.series[k].name : std::string();
        seriesDescriptors[k].shortName = seriesDescriptors[k].label;
    }
}

int CGraph::SeriesCount() const {
    return static_cast<int>(
        std::count_if(seriesTypes.begin(), seriesTypes.end(), [](int32_t t) { return t != 0; }));
}

}  // namespace brelix
