#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/result_list.h"

namespace brelix {

class CBatch;

// A batch's results as numbers, for programs to read: the rows of its results table at full precision,
// and the forms they are written in.

// One results row: its key and a value per column (and, from repeated traces, the standard error of each).
struct CResultRow {
    CResultKey key;
    std::vector<double> values;  // one per column of the table
    std::vector<double> errors;  // empty, or one standard error per column
};

// A batch's results as numbers, in the table's row and column order.
struct CResultTable {
    uint32_t index = 0;  // the batch's number in its document, from 0
    std::string name;    // the batch's name
    uint64_t traceOps = 0;
    std::vector<std::string> columns;
    std::vector<CResultRow> rows;
    // True when the rows carry errors (any row does).
    bool HasErrors() const;
};

// The batch's results rows with, per row, the intensity absorbed in every layer and plane in the table's
// order (a layer, then its planes, layer by layer), then the remainder, then the lost intensity, at full
// precision. A layer's column is named after the layer, a plane's "<layer name>/<plane name>" (plane names
// repeat across layers, and a program reading the columns by name needs each once), then "Remainder" and
// "Lost". A cell the table shows empty (a row the worker is still creating) is a NaN. No errors.
CResultTable CollectResults(const CBatch& batch, uint32_t number);

enum class EResultForm { Table, Tsv, Csv, Json };
// "table", "tsv", "csv" or "json"; nothing for any other text.
std::optional<EResultForm> ParseResultForm(std::string_view text);

// Writes tables in a machine-readable form through `write`, in pieces of some 64 KB so that millions of
// rows are never held as text whole; `write` returns false to stop (a failed write), and so does this
// then. Numbers are written in the shortest form that reads back as the same double, bit for bit.
//  - Csv (RFC 4180, lines ending in CR LF): a header line "batch,wavelength,x,y,azimuth,declination," then
//    the columns and, for a table with errors, a "<column> se" column for each after them; then a line per
//    row, its first field the table's index. Tables follow one another under one header; a table whose
//    header differs from the one before it (other columns, or errors where there were none) starts with
//    its own header line, which a reader knows by its first field, "batch", where rows have a number.
//    A field holding a comma, a double quote, CR or LF is quoted, its quotes doubled. NaN and infinities
//    are written "nan", "inf" and "-inf" (as std::to_chars writes them).
//  - Tsv: the same with tabs between the fields and lines ending in LF; nothing is quoted, and a tab, CR or
//    LF in a name becomes a space.
//  - Json: {"batches": [{"index", "name", "traceOps", "columns", "rows": [{"key": {"wavelength", "x",
//    "y", "azimuth", "declination"}, "values", "errors"}]}]}, "errors" only in a table with errors; a
//    value that is not a finite number is null. A name that is not valid UTF-8 has each bad byte replaced
//    by U+FFFD, so the text stays valid JSON.
// In every form a row shorter than the columns leaves the missing cells empty (null in JSON); a row
// without errors in a table with errors has them all missing. Table is not a form of these tables (the
// results table is WriteBatchResults'): nothing is written and the result is false.
bool WriteResultForm(EResultForm form, std::span<const CResultTable> tables,
                     const std::function<bool(std::string_view)>& write);

}  // namespace brelix
