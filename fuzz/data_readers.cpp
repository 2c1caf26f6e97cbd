// The data file readers on any text, then every lookup of the table read at wavelengths in, between,
// around and outside its rows. The first byte picks the reader: 0, 1, 2 and 5 (as digits too) the layer
// table formats, 3 the plane table, 4 the spectrum, 6 and 7 a layer format that does not exist.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "core/optical_data.h"
#include "core/random.h"
#include "core/spectrum.h"
#include "document/data_readers.h"
#include "fuzz/require.h"

using namespace brelix;

namespace {

// Keeps the lookups' results alive, so that none is optimised away.
volatile double sink;

// Wavelengths that stress a table: the constant's 0, values no row can hold, each row's own wavelength,
// the midpoints between neighbours and a step beyond each end.
std::vector<double> Probes(const std::vector<double>& rows) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    std::vector<double> probes = {0.0, -0.0, -1.0, 1e-300, -inf, inf, std::nan(""),
                                  std::numeric_limits<double>::max(), std::numeric_limits<double>::lowest()};
    for (size_t i = 0; i < rows.size(); ++i) {
        probes.push_back(rows[i]);
        if (i + 1 < rows.size()) probes.push_back((rows[i] + rows[i + 1]) / 2);
    }
    if (!rows.empty()) {
        probes.push_back(rows.front() - 1);
        probes.push_back(rows.back() + 1);
    }
    return probes;
}

// The readers insert in wavelength order: without a NaN, which has no place in an order, rows ascend.
void RequireAscending(const std::vector<double>& rows) {
    bool hasNaN = false;
    bool ascending = true;
    for (size_t i = 0; i < rows.size(); ++i) {
        hasNaN = hasNaN || std::isnan(rows[i]);
        if (i > 0 && rows[i] < rows[i - 1]) ascending = false;
    }
    fuzz::Require(hasNaN || ascending, "rows in ascending wavelength");
}

std::vector<double> Wavelengths(const COpticalData& table) {
    std::vector<double> rows;
    for (const COpticalPoint& row : table) rows.push_back(row.wavelength);
    return rows;
}

void ReadAndLookUpLayerTable(std::istream& in, int format) {
    COpticalData table;
    ReadLayerTable(in, format, table);
    const uint32_t mode = format == FormatStokes ? LayerStokes : LayerTable;
    table.SetMode(mode);
    fuzz::Require(table.GetPointCount(mode) == table.GetCount(), "every row counted");
    const std::vector<double> rows = Wavelengths(table);
    RequireAscending(rows);
    CRandom random;
    for (double w : Probes(rows))
        sink = table.GetRefractiveIndex(w) + table.GetExtinction(w) + table.GetAbsorption(w) +
               table.GetScattering(w) + table.GetEmissionWavelength(w, random);
}

void ReadAndLookUpPlaneTable(std::istream& in) {
    COpticalData table;
    ReadPlaneTable(in, table);
    table.SetPlaneMode(PlaneTable);
    fuzz::Require(table.GetPointCount(LayerTable) == table.GetCount(), "every row counted");
    const std::vector<double> rows = Wavelengths(table);
    RequireAscending(rows);
    for (double w : Probes(rows))
        sink = table.GetReflectance(w) + table.GetDielectricIndex(w) + table.GetDielectricThickness(w);
}

void ReadAndLookUpSpectrum(std::istream& in) {
    CSpectrum spectrum;
    ReadSpectrum(in, spectrum);
    std::vector<double> rows;
    for (const CSpectrumPoint& point : spectrum) rows.push_back(point.wavelength);
    RequireAscending(rows);
    for (double w : Probes(rows)) sink = spectrum.Lookup(w);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const int reader = data[0] % 8;  // '0' is 48: a digit picks its own reader
    std::istringstream in(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
    if (reader == 3)
        ReadAndLookUpPlaneTable(in);
    else if (reader == 4)
        ReadAndLookUpSpectrum(in);
    else
        ReadAndLookUpLayerTable(in, reader);
    return 0;
}
