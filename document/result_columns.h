#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/batch.h"

namespace brelix {

// How every form of a batch's results (the table, its file, the machine-readable forms) walks them: the
// swept values of a row's key, and the layer and plane columns.

// A swept source value: the flag that says the batch's rays vary in it, its heading in the results table,
// its name in the machine-readable forms, and where a result key holds it.
struct CSweepColumn {
    int32_t CBatch::*varies;
    const char* heading;
    const char* name;
    double CResultKey::*value;
};
// The swept values, in the order of the table's columns.
inline constexpr CSweepColumn kSweepColumns[] = {
    {&CBatch::wavelengthVaries, "Wlen", "wavelength", &CResultKey::wavelength},
    {&CBatch::xVaries, "X", "x", &CResultKey::x},
    {&CBatch::yVaries, "Y", "y", &CResultKey::y},
    {&CBatch::azimuthVaries, "Azi", "azimuth", &CResultKey::azimuth},
    {&CBatch::declinationVaries, "Ele", "declination", &CResultKey::declination},
};
// The swept values the batch's rays vary in, which the table shows. The worker sets the flags while it
// generates rays, and writes them as std::atomic_ref, so they are read so.
std::vector<const CSweepColumn*> VaryingSweeps(const CBatch& batch);

// The tallies of a layer, or of one of its planes: a column of the results.
struct CResultColumn {
    const CResultList* results;
    const CLayer* layer;
    const CPlane* plane;  // null for the layer's own column

    // The intensity absorbed under a row's key, or nothing when the list has no record there: a layer
    // added after the results were made, or a row the worker is still creating.
    std::optional<double> Absorbed(uint32_t row) const {
        if (row >= results->GetSize()) return std::nullopt;
        return results->Absorbed(row);
    }
};
// The layer and plane columns of a model's results in the table's order: a layer, then its planes, layer
// by layer. The rows, their keys, the remainder and the lost intensity are those of model.results.
std::vector<CResultColumn> ResultColumns(const CModel& model);

// A name as a cell of tab-separated text: a tab, line feed or carriage return in it would shift the
// columns, and becomes a space.
std::string TabSeparatedCell(std::string name);

}  // namespace brelix
