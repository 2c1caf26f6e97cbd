#include "document/results_export.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "core/batch_list.h"
#include "core/format.h"
#include "core/messages.h"

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

std::string Reason(int error) {
    // errno is set by every failure we report; EIO stands in should a library leave it 0.
    return std::strerror(error != 0 ? error : EIO);
}

// A name beside `name` that no file has yet.
std::string TemporaryNameFor(const std::string& name) {
    const std::filesystem::path folder = std::filesystem::path(name).parent_path();
    for (int n = 0;; ++n) {
        std::filesystem::path candidate = folder / (".brelix-export-" + FormatInt(n) + ".tmp");
        std::error_code ignored;
        if (!std::filesystem::exists(candidate, ignored) || n == 999) return candidate.string();
    }
}

// Writes `text` to a temporary file and renames it over `name`. Returns the system's reason on failure,
// after removing the temporary.
std::optional<std::string> WriteReplacing(const std::string& name, const std::string& text) {
    const std::string temporary = TemporaryNameFor(name);
    std::FILE* file = std::fopen(temporary.c_str(), "w");
    if (!file) return Reason(errno);

    int error = 0;
    if (std::fwrite(text.data(), 1, text.size(), file) != text.size()) error = errno ? errno : EIO;
    // Closing flushes the buffer, which is where a full disk shows up.
    if (std::fclose(file) != 0 && error == 0) error = errno ? errno : EIO;
    if (error == 0) {
        // Keep the permissions of the file being replaced.
        std::error_code ignored;
        const auto status = std::filesystem::status(name, ignored);
        if (std::filesystem::exists(status))
            std::filesystem::permissions(temporary, status.permissions(), ignored);
        if (std::rename(temporary.c_str(), name.c_str()) != 0) error = errno ? errno : EIO;
    }
    if (error == 0) return std::nullopt;
    std::remove(temporary.c_str());
    return Reason(error);
}

}  // namespace

std::string FormatResultValue(double v) {
    if (std::isnan(v) || v <= 0 || v >= 0.001) return FormatFixed(v, 2, 3);
    // Here -324 < log10(v) < -3, so the exponent fits an int.
    const int e = static_cast<int>(std::trunc(std::log10(v) - 1));
    const double m = v / std::pow(10.0, e);
    return FormatFixed(m, 2, 1) + "e" + FormatInt(e);
}

std::string FormatBatchResults(const CBatch& batch, uint32_t batchNumber) {
    std::vector<const CSweepColumn*> sweeps;
    for (const CSweepColumn& sweep : kSweepColumns)
        if (batch.*sweep.varies) sweeps.push_back(&sweep);

    std::string out = "Batch " + FormatInt(batchNumber) + ":\t" + batch.name + " (" +
                      FormatFixed(static_cast<double>(batch.traceOps.load()) / 1000000.0, 1, 2) +
                      " Million Trace Ops)\n";

    // Header, and the result lists of the layer and plane columns in the same order.
    std::vector<const CResultList*> columns;
    out += "\t";
    for (const CSweepColumn* sweep : sweeps) out += sweep->header;
    for (const CLayer& layer : batch.model) {
        out += layer.name + "\t";
        columns.push_back(&layer.results);
        for (const CPlane& plane : layer) {
            out += plane.name + "\t";
            columns.push_back(&plane.results);
        }
    }
    out += "Remndr\tLost\tTotal\n";

    // Every row has a cell for each column, so the last row's count is the count of columns.
    const uint32_t rows = batch.model.results.GetSize();
    const size_t summedColumns = rows > 0 ? std::min(columns.size(), kMaxSummedColumns) : 0;
    std::vector<double> columnSums(summedColumns, 0.0);
    double remainderSum = 0, lostSum = 0, grandTotal = 0;
    for (uint32_t k = 0; k < rows; ++k) {
        const CResultRecord record = batch.model.results[k].Snapshot();
        out += "Ray " + FormatInt(k) + ":\t";
        for (const CSweepColumn* sweep : sweeps) out += FormatFixed(record.key.*sweep->value, 2, 1) + " \t";

        double rowTotal = 0;
        for (size_t c = 0; c < columns.size(); ++c) {
            const CResultList& list = *columns[c];
            // A layer added after the results were made, or a row the worker is still creating, has no
            // record here: the cell stays empty and adds nothing.
            if (k < list.GetSize()) {
                const double absorbed = list[k].Snapshot().absorbed;
                out += FormatResultValue(absorbed);
                rowTotal += absorbed;
                if (c < summedColumns) columnSums[c] += absorbed;
            }
            out += "\t";
        }
        rowTotal += record.remainder;
        rowTotal += record.lost;
        remainderSum += record.remainder;
        lostSum += record.lost;
        grandTotal += rowTotal;
        out += FormatResultValue(record.remainder) + "\t" + FormatResultValue(record.lost) + "\t" +
               FormatResultValue(rowTotal) + "\t\n";
    }

    out += "----\t";
    for (size_t i = 0; i < sweeps.size() + summedColumns + 3; ++i) out += "----\t";
    out += "\n";

    out += "Totals\t";
    out.append(sweeps.size(), '\t');
    for (double sum : columnSums) out += FormatResultValue(sum) + "\t";
    out += FormatResultValue(remainderSum) + "\t" + FormatResultValue(lostSum) + "\t" +
           FormatResultValue(grandTotal) + "\t\n";
    return out;
}

bool ExportResults(const CBatchList& batches, const std::string& documentPath, IMessages& messages) {
    for (uint32_t b = 0; b < batches.GetCount(); ++b) {
        const CBatch& batch = batches[b];
        const std::string name = documentPath + "_" + batch.name + ".bxo";
        if (const auto reason = WriteReplacing(name, FormatBatchResults(batch, b))) {
            messages.Show("Cannot write file " + name + ":\n" + *reason + ".", kCaption);
            return false;
        }
    }
    return true;
}

}  // namespace brelix
