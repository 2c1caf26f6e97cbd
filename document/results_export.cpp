#include "document/results_export.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "core/batch_list.h"
#include "core/format.h"
#include "core/messages.h"
#include "document/file_replacing.h"
#include "document/result_columns.h"
#include "document/text_pieces.h"

namespace brelix {

namespace {

constexpr const char* kCaption = "Brelix";
// Between a value and its standard error: " ± " in UTF-8.
constexpr const char* kPlusMinus = " \u00b1 ";
// Layer and plane columns beyond this many get no column sum and no rule entry.
constexpr size_t kMaxSummedColumns = 200;

// A batch name as part of a file name: a '/' would put the file in another folder, or in one that is not
// there, and NUL and other control characters break the name or whatever shows it.
std::string FileNamePart(std::string name) {
    std::replace_if(
        name.begin(), name.end(),
        [](char c) { return c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }, '_');
    return name;
}

}  // namespace

std::string FormatSweepValue(double v) { return FormatFixed(v, 2, 1) + " "; }

std::string FormatResultValue(double v) {
    if (std::isnan(v) || v <= 0 || v >= 0.001) return FormatFixed(v, 2, 3);
    // Here -324 < log10(v) < -3, so the exponent fits an int.
    const int e = static_cast<int>(std::trunc(std::log10(v) - 1));
    // Below the smallest normal power of ten, 10^e loses digits and from -324 on is 0: v is scaled up
    // first. Above it the division is left as it always was.
    const double m = e < std::numeric_limits<double>::min_exponent10 ? v * 1e300 / std::pow(10.0, e + 300)
                                                                     : v / std::pow(10.0, e);
    return FormatFixed(m, 2, 1) + "e" + FormatInt(e);
}

namespace {

// FormatResultValue appended. "%2.3f" is never padded: every such text is wider than 2 characters.
void AppendResultValue(std::string& out, double v) {
    if (std::isnan(v) || v <= 0 || v >= 0.001)
        AppendFixed(out, v, 3);
    else
        out += FormatResultValue(v);
}

}  // namespace

bool WriteBatchResults(const CBatch& batch, uint32_t batchNumber,
                       const std::function<bool(std::string_view)>& write, std::span<const double> errors) {
    const std::vector<const CSweepColumn*> sweeps = VaryingSweeps(batch);
    CTextPieces pieces(write);
    std::string& out = pieces.text;
    out = "Batch " + FormatInt(batchNumber) + ":\t" + TabSeparatedCell(batch.name) + " (" +
          FormatFixed(static_cast<double>(batch.traceOps.load()) / 1000000.0, 1, 2) + " Million Trace Ops)\n";

    const std::vector<CResultColumn> columns = ResultColumns(batch.model);
    out += "\t";
    for (const CSweepColumn* sweep : sweeps) out += std::string(sweep->heading) + "\t";
    for (const CResultColumn& column : columns)
        out += TabSeparatedCell(column.plane ? column.plane->name : column.layer->name) + "\t";
    out += "Remndr\tLost\tTotal\n";

    // Every row has a cell for each column, so the last row's count is the count of columns.
    const CResultList& model = batch.model.results;
    const uint32_t rows = model.GetSize();
    const size_t summedColumns = rows > 0 ? std::min(columns.size(), kMaxSummedColumns) : 0;
    std::vector<double> columnSums(summedColumns, 0.0);
    double remainderSum = 0, lostSum = 0, grandTotal = 0;
    // With errors, the sums of their squares in the summed columns, then the remainder's and the lost's.
    const size_t errorsPerRow = columns.size() + 2;
    std::vector<double> squaredErrorSums(errors.empty() ? 0 : summedColumns + 2, 0.0);
    char number[16];
    for (uint32_t k = 0; k < rows; ++k) {
        out += "Ray ";
        out.append(number, static_cast<size_t>(std::to_chars(number, number + sizeof number, k).ptr - number));
        out += ":\t";
        if (!sweeps.empty()) {
            const CResultKey key = model.Key(k);
            for (const CSweepColumn* sweep : sweeps) {
                // As FormatSweepValue writes it: "%2.1f " (the width never matters with a decimal).
                AppendFixed(out, key.*sweep->value, 1);
                out += " \t";
            }
        }

        // A value, with its error when there is one; `summed` is its column's place in the error sums.
        const auto valueCell = [&](double value, size_t c, std::optional<size_t> summed) {
            AppendResultValue(out, value);
            const size_t at = size_t{k} * errorsPerRow + c;
            if (at >= errors.size()) return;
            out += kPlusMinus;
            AppendResultValue(out, errors[at]);
            if (summed) squaredErrorSums[*summed] += errors[at] * errors[at];
        };
        double rowTotal = 0;
        for (size_t c = 0; c < columns.size(); ++c) {
            // A column without a record here shows an empty cell and adds nothing.
            if (const std::optional<double> absorbed = columns[c].Absorbed(k)) {
                valueCell(*absorbed, c, c < summedColumns ? std::optional(c) : std::nullopt);
                rowTotal += *absorbed;
                if (c < summedColumns) columnSums[c] += *absorbed;
            }
            out += '\t';
        }
        const double remainder = model.Remainder(k), lost = model.Lost(k);
        rowTotal += remainder;
        rowTotal += lost;
        remainderSum += remainder;
        lostSum += lost;
        grandTotal += rowTotal;
        valueCell(remainder, columns.size(), summedColumns);
        out += '\t';
        valueCell(lost, columns.size() + 1, summedColumns + 1);
        out += '\t';
        AppendResultValue(out, rowTotal);
        out += "\t\n";
        if (!pieces.Flush()) return false;
    }

    out += "----\t";
    for (size_t i = 0; i < sweeps.size() + summedColumns + 3; ++i) out += "----\t";
    out += "\n";

    // A column total's error: the rows are independent rays, so their variances add.
    const auto totalCell = [&](double sum, size_t summed) {
        out += FormatResultValue(sum);
        if (!squaredErrorSums.empty())
            out += kPlusMinus + FormatResultValue(std::sqrt(squaredErrorSums[summed]));
        out += "\t";
    };
    out += "Totals\t";
    out.append(sweeps.size(), '\t');
    for (size_t c = 0; c < summedColumns; ++c) totalCell(columnSums[c], c);
    totalCell(remainderSum, summedColumns);
    totalCell(lostSum, summedColumns + 1);
    out += FormatResultValue(grandTotal) + "\t\n";
    return pieces.Flush(true);
}

std::string FormatBatchResults(const CBatch& batch, uint32_t batchNumber, std::span<const double> errors) {
    std::string text;
    WriteBatchResults(
        batch, batchNumber,
        [&](std::string_view piece) {
            text += piece;
            return true;
        },
        errors);
    return text;
}

bool ExportResults(const CBatchList& batches, std::span<const uint32_t> which,
                   const std::string& documentPath, IMessages& messages, std::vector<std::string>* written) {
    for (uint32_t b : which) {
        if (b >= batches.GetCount()) {
            messages.Show("Cannot export batch " + FormatInt(b) + ": the document's batches are 0 to " +
                              FormatInt(batches.GetCount() - 1) + ".",
                          kCaption);
            return false;
        }
    }
    std::map<std::string, uint32_t> writers;  // file name -> the batch of this export that writes it
    for (uint32_t b : which) {
        const CBatch& batch = batches[b];
        const std::string number = FormatInt(b);
        const std::string part = FileNamePart(batch.name);
        std::string stem = documentPath + "_" + part;
        const auto collision = writers.find(stem + ".bxo");
        while (writers.contains(stem + ".bxo")) stem += " (batch " + number + ")";
        const std::string name = stem + ".bxo";
        if (part != batch.name) {
            messages.Show("The name of batch " + number +
                              " holds '/' or control characters, which become '_' in its file name: its " +
                              "results go to " + name + ".",
                          kCaption);
        }
        if (collision != writers.end()) {
            messages.Show("Batch " + number + " would write the same file as batch " +
                              FormatInt(collision->second) + ": its results go to " + name + ".",
                          kCaption);
        }
        writers.emplace(name, b);

        std::string reason;
        const auto produce = [&](const CBytesWriter& writeBytes) {
            return WriteBatchResults(batch, b, [&](std::string_view piece) {
                return writeBytes(std::as_bytes(std::span(piece.data(), piece.size())));
            });
        };
        if (!ReplaceFile(name, produce, reason)) {
            messages.Show("Cannot write file " + name + ":\n" + reason + ".", kCaption);
            return false;
        }
        if (written) written->push_back(name);
    }
    return true;
}

}  // namespace brelix
