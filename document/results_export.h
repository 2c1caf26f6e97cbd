#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brelix {

class CBatch;
class CBatchList;
class IMessages;

// An intensity as the results table writes it: "%2.3f", or for 0 < v < 0.001 a mantissa and exponent
// "%2.1fe%d" with the exponent one below log10(v) truncated toward zero (0.0005 -> "5.0e-4", 0.0001 ->
// "10.0e-5", 5e-324 -> "4.9e-324"). A NaN is written with "%2.3f".
std::string FormatResultValue(double v);
// A swept value as the results table writes it: "%2.1f " (with the trailing space).
std::string FormatSweepValue(double v);

// The tab-separated results of a batch, numbered `batchNumber` in its list: a title, a header of the
// varying sweeps and the layer and plane names, one row per source key with the intensity absorbed in
// every layer and plane, the remainder, the lost intensity and the row total, a rule line and a totals
// line. A tab, line feed or carriage return in a batch, layer or plane name is written as a space, so that
// it cannot shift the columns. Column sums and rule entries stop at the 200th layer or plane column. Safe
// to call while the worker generates rays and adds results: every value and varies flag is read whole
// (the flags as std::atomic_ref, as the worker writes them), and a row the worker is still creating may
// show empty cells.
//
// `errors`, when given, holds standard errors (of results averaged over repeated traces), row by row, for
// the row's layer and plane columns in the table's order, then its remainder and its lost intensity. Each
// value cell that has one reads "value ± error" (a UTF-8 "±", both numbers as FormatResultValue writes
// them); a cell past the end of `errors` has none. The totals of the layer, plane, remainder and lost
// columns get the square root of the sum of their rows' squared errors, as the rows are independent rays;
// the row totals and the grand total get none. Without errors, the table is the one described above.
std::string FormatBatchResults(const CBatch& batch, uint32_t batchNumber,
                               std::span<const double> errors = {});
// The same text handed to `write` in pieces of some 64 KB, so that a table of millions of rows is never
// held whole; `write` returns false to stop (a failed write), and so does this then.
bool WriteBatchResults(const CBatch& batch, uint32_t batchNumber,
                       const std::function<bool(std::string_view)>& write,
                       std::span<const double> errors = {});

// Writes the results of the batches numbered in `which`, in that order, each to the file documentPath +
// "_" + batch name + ".bxo"; other batches and their files are left alone. A file is written as
// ReplaceFile writes (document/file_replacing.h): it holds the old table or the new one, whole, a link to a
// regular file is followed, and anything else of that name is refused. The batch name is changed in the
// file name only, and each change is reported through `messages` with the name used:
//  - '/', NUL and other control characters become '_', so that the file stays in the document's folder;
//  - a name that a batch earlier in `which` already writes gets " (batch N)" before ".bxo", N the batch's
//    number in the list (from 0), repeated until no batch of the export writes it.
// A number in `which` that is not a batch is reported and nothing is written. The first file that cannot
// be written is reported with the reason and ends the export; the files written before it stay. The path
// of every file written is appended to `written`. Returns true when every file was written.
bool ExportResults(const CBatchList& batches, std::span<const uint32_t> which,
                   const std::string& documentPath, IMessages& messages,
                   std::vector<std::string>* written = nullptr);

}  // namespace brelix
