#include "document/results_export.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <limits>
#include <map>
#include <span>
#include <vector>

#include "core/batch_list.h"
#include "core/format.h"
#include "core/messages.h"
#include "document/file_replacing.h"

namespace brelix {

namespace {

constexpr const char* kCaption = "Brelix";
// Layer and plane columns beyond this many get no column sum and no rule entry.
constexpr size_t kMaxSummedColumns = 200;

// A sweep column: shown when its varies flag is set, in this order.
struct CSweepColumn {
    int32_t CBatch::*varies;
    const char* header;
    double CResultKey::*value;
};
constexpr CSweepColumn kSweepColumns[] = {
    {&CBatch::wavelengthVaries, "Wlen\t", &CResultKey::wavelength},
    {&CBatch::xVaries, "X\t", &CResultKey::x},
    {&CBatch::yVaries, "Y\t", &CResultKey::y},
    {&CBatch::azimuthVaries, "Azi\t", &CResultKey::azimuth},
    {&CBatch::declinationVaries, "Ele\t", &CResultKey::declination},
};

// A name as a cell of the table: a tab, line feed or carriage return in it would shift the columns.
std::string Cell(std::string name) {
    std::replace_if(
        name.begin(), name.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return name;
}

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

// Collects the table in pieces and hands each on when it has grown past a size worth a write.
class CPieces {
public:
    explicit CPieces(const std::function<bool(std::string_view)>& write) : write_(write) {}
    std::string text;
    // Hands the text on when it has grown large enough, or at the end; false when a write failed.
    bool Flush(bool end = false) {
        if (!ok_ || (!end && text.size() < kPiece)) return ok_;
        ok_ = write_(text);
        text.clear();
        return ok_;
    }

private:
    static constexpr size_t kPiece = 1 << 16;
    const std::function<bool(std::string_view)>& write_;
    bool ok_ = true;
};

}  // namespace

bool WriteBatchResults(const CBatch& batch, uint32_t batchNumber, const std::function<bool(std::string_view)>& write) {
    // The worker sets the flags while it generates rays, and writes them the same way.
    std::vector<const CSweepColumn*> sweeps;
    for (const CSweepColumn& sweep : kSweepColumns)
        if (std::atomic_ref<const int32_t>(batch.*sweep.varies).load(std::memory_order_relaxed))
            sweeps.push_back(&sweep);

    CPieces pieces(write);
    std::string& out = pieces.text;
    out = "Batch " + FormatInt(batchNumber) + ":\t" + Cell(batch.name) + " (" +
          FormatFixed(static_cast<double>(batch.traceOps.load()) / 1000000.0, 1, 2) + " Million Trace Ops)\n";

    // Header, and the result lists of the layer and plane columns in the same order.
    std::vector<const CResultList*> columns;
    out += "\t";
    for (const CSweepColumn* sweep : sweeps) out += sweep->header;
    for (const CLayer& layer : batch.model) {
        out += Cell(layer.name) + "\t";
        columns.push_back(&layer.results);
        for (const CPlane& plane : layer) {
            out += Cell(plane.name) + "\t";
            columns.push_back(&plane.results);
        }
    }
    out += "Remndr\tLost\tTotal\n";

    // Every row has a cell for each column, so the last row's count is the count of columns.
    const CResultList& model = batch.model.results;
    const uint32_t rows = model.GetSize();
    const size_t summedColumns = rows > 0 ? std::min(columns.size(), kMaxSummedColumns) : 0;
    std::vector<double> columnSums(summedColumns, 0.0);
    double remainderSum = 0, lostSum = 0, grandTotal = 0;
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

        double rowTotal = 0;
        for (size_t c = 0; c < columns.size(); ++c) {
            const CResultList& list = *columns[c];
            // A layer added after the results were made, or a row the worker is still creating, has no
            // record here: the cell stays empty and adds nothing.
            if (k < list.GetSize()) {
                const double absorbed = list.Absorbed(k);
                AppendResultValue(out, absorbed);
                rowTotal += absorbed;
                if (c < summedColumns) columnSums[c] += absorbed;
            }
            out += '\t';
        }
        const double remainder = model.Remainder(k), lost = model.Lost(k);
        rowTotal += remainder;
        rowTotal += lost;
        remainderSum += remainder;
        lostSum += lost;
        grandTotal += rowTotal;
        AppendResultValue(out, remainder);
        out += '\t';
        AppendResultValue(out, lost);
        out += '\t';
        AppendResultValue(out, rowTotal);
        out += "\t\n";
        if (!pieces.Flush()) return false;
    }

    out += "----\t";
    for (size_t i = 0; i < sweeps.size() + summedColumns + 3; ++i) out += "----\t";
    out += "\n";

    out += "Totals\t";
    out.append(sweeps.size(), '\t');
    for (double sum : columnSums) out += FormatResultValue(sum) + "\t";
    out += FormatResultValue(remainderSum) + "\t" + FormatResultValue(lostSum) + "\t" +
           FormatResultValue(grandTotal) + "\t\n";
    return pieces.Flush(true);
}

std::string FormatBatchResults(const CBatch& batch, uint32_t batchNumber) {
    std::string text;
    WriteBatchResults(batch, batchNumber, [&](std::string_view piece) {
        text += piece;
        return true;
    });
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
