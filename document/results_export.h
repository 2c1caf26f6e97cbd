#pragma once

#include <cstdint>
#include <string>

namespace brelix {

class CBatch;
class CBatchList;
class IMessages;

// An intensity as the results table writes it: "%2.3f", or for 0 < v < 0.001 a mantissa and exponent
// "%2.1fe%d" with the exponent one below log10(v) truncated toward zero (0.0005 -> "5.0e-4", 0.0001 ->
// "10.0e-5", 5e-324 -> "4.9e-324"). A NaN is written with "%2.3f".
std::string FormatResultValue(double v);

// The tab-separated results of a batch, numbered `batchNumber` in its list: a title, a header of the
// varying sweeps and the layer and plane names, one row per source key with the intensity absorbed in
// every layer and plane, the remainder, the lost intensity and the row total, a rule line and a totals
// line. Column sums and rule entries stop at the 200th layer or plane column. Safe to call while the
// worker generates rays and adds results: every value and varies flag is read whole (the flags as
// std::atomic_ref, as the worker writes them), and a row the worker is still creating may show empty
// cells.
std::string FormatBatchResults(const CBatch& batch, uint32_t batchNumber);

// Writes every batch's results to documentPath + "_" + batch name + ".bxo", replacing a file of that
// name. Each file is written to a temporary beside it and renamed over it, so a failed write leaves the
// old file or none, never part of one. The first file that cannot be written is reported with the
// system's reason and ends the export; the files written before it stay. Returns true when every file
// was written.
bool ExportResults(const CBatchList& batches, const std::string& documentPath, IMessages& messages);

}  // namespace brelix
