#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace brelix {

struct CGraphData;

enum EGraphKind : int32_t {
    GraphWavelength = 1,  // absorption against wavelength
    GraphXPosition = 2,   // against the x position of the source
    GraphYPosition = 3,   // against the y position
};

enum ESeriesType : int32_t {
    SeriesNone = 0,
    SeriesPlane = 1,  // a plane's absorption
    SeriesLayer = 2,  // a layer's absorption
};

// What a plotted variable is called and measured in. A "#" in the unit is where the axis puts the SI
// prefix of its exponent (UnitText, graph/axis.h).
struct CSeriesDescriptor {
    std::string unit;
    std::string label;
    std::string shortName;
    int32_t values[2] = {0, 0};
    bool operator==(const CSeriesDescriptor&) const = default;
};

// One x-y plot of absorption results: what is plotted against what, with its title, labels and units and
// up to MaxSeries series. The data themselves come from the batch when the graph is shown
// (graph/graph_series.h).
class CGraph {
  public:
    static constexpr int MaxSeries = 16;

    // A graph of a kind, with its title, labels and units and no series.
    explicit CGraph(EGraphKind kind = GraphWavelength);

    // Sets each slot's type and label from the built series; slots past them get type 0 and no label.
    void SetSeries(const CGraphData& data);
    // Series slots whose type is not 0.
    int SeriesCount() const;

    bool operator==(const CGraph&) const = default;

    // A number the owner gives the graph; the archive keeps 16 bits.
    uint16_t identity = 0;
    std::array<int32_t, MaxSeries> seriesTypes{};
    CSeriesDescriptor xDescriptor;
    std::array<CSeriesDescriptor, MaxSeries> seriesDescriptors;
    std::string title;
    std::string xLabel;
    std::string yLabel;
    // Option 0 set marks every plotted point with a white square; option 1 is kept for files.
    std::array<uint16_t, 2> options{};
    EGraphKind kind;
};

}  // namespace brelix
