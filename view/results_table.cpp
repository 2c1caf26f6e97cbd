#include "view/results_table.h"

#include <algorithm>

#include "core/batch.h"
#include "core/format.h"
#include "core/shared_value.h"
#include "core/utf8.h"
#include "document/results_export.h"

namespace brelix {

namespace {

constexpr CColor kBlack{0, 0, 0};
constexpr CColor kTitleGreen{0, 192, 0};
constexpr CColor kTotalGreen{0, 128, 0};
constexpr CColor kLayerRed{255, 0, 0};
constexpr CColor kPlaneBlue{0, 0, 255};
constexpr CColor kWavelengthColor{192, 0, 192};
constexpr CColor kPositionColor{192, 192, 0};
constexpr CColor kAngleColor{0, 192, 192};
constexpr CPen kRulePen{EPenStyle::Solid, kBlack};
// Layer and plane columns beyond this many are printed but not totalled, as in the export.
constexpr size_t kMaxSummedColumns = 200;
// Rule lines lie 10 and 11 pixels below the top of their row.
constexpr int32_t kRuleOffset = 10;
constexpr uint64_t kTitleRow = 0, kHeadingRow = 1, kHeadingRuleRow = 2, kFirstRecordRow = 3;

int32_t CellX(int32_t column) {
    return 10 + CResultsTable::CellWidth * column;
}

void Cell(IViewSurface& surface, int32_t column, int32_t y, CColor color, const std::string& text) {
    surface.SetTextColor(color);
    surface.TextOut(CellX(column), y, text);
}

// A name heads its column with its first 8 characters.
std::string Heading(const std::string& name) {
    return std::string(Utf8Prefix(name, 8));
}

}  // namespace

// A sweep column: shown when its varies flag is set, in this order.
struct CResultsTable::CSweep {
    int32_t CBatch::*varies;
    const char* heading;
    double CResultKey::*value;
    CColor color;
};

CResultsTable::CResultsTable(const CBatch& batch, uint32_t batchIndex)
    : batch_(batch), batchIndex_(batchIndex), records_(batch.model.results.GetSize()) {
    static constexpr CSweep kSweeps[] = {
        {&CBatch::wavelengthVaries, "Wlen", &CResultKey::wavelength, kWavelengthColor},
        {&CBatch::xVaries, "X", &CResultKey::x, kPositionColor},
        {&CBatch::yVaries, "Y", &CResultKey::y, kPositionColor},
        {&CBatch::azimuthVaries, "Azi", &CResultKey::azimuth, kAngleColor},
        {&CBatch::declinationVaries, "Ele", &CResultKey::declination, kAngleColor},
    };
    // The worker sets the flags while it generates rays.
    for (const CSweep& sweep : kSweeps)
        if (LoadShared(batch.*sweep.varies)) sweeps_.push_back(&sweep);
    for (const CLayer& layer : batch.model) {
        columns_.push_back({&layer.results, Heading(layer.name), kLayerRed});
        for (const CPlane& plane : layer)
            columns_.push_back({&plane.results, Heading(plane.name), kPlaneBlue});
    }
}

int32_t CResultsTable::CellCount() const {
    return static_cast<int32_t>(1 + sweeps_.size() + columns_.size() + 3);
}

int32_t CResultsTable::Width() const {
    return records_ > 0 ? CellCount() * CellWidth : 320;
}

CResultsTable::CRow CResultsTable::ReadRow(uint32_t index) const {
    CRow row;
    row.record = batch_.model.results[index].Snapshot();
    row.absorbed.reserve(columns_.size());
    for (const CColumn& column : columns_) {
        // A layer added after the results were made, or a row the worker is still creating, has no record.
        if (index < column.results->GetSize()) {
            const double absorbed = CResultRecord::Load((*column.results)[index].absorbed);
            row.absorbed.push_back(absorbed);
            row.total += absorbed;
        } else {
            row.absorbed.push_back(std::nullopt);
        }
    }
    row.total += row.record.remainder;
    row.total += row.record.lost;
    return row;
}

CResultsTable::CTotals CResultsTable::SumRows() const {
    CTotals totals;
    totals.columns.assign(std::min(columns_.size(), kMaxSummedColumns), 0.0);
    for (uint32_t i = 0; i < records_; ++i) {
        const CRow row = ReadRow(i);
        for (size_t c = 0; c < totals.columns.size(); ++c) totals.columns[c] += row.absorbed[c].value_or(0.0);
        totals.remainder += row.record.remainder;
        totals.lost += row.record.lost;
        totals.grand += row.total;
    }
    return totals;
}

void CResultsTable::Draw(IViewSurface& surface, uint64_t firstRow, uint64_t rowCount) const {
    const uint64_t endRow = firstRow + std::min(rowCount, RowCount() - std::min(firstRow, RowCount()));
    const CFont font = surface.SelectFont(CFont{});
    const CPen* pen = surface.SelectPen(&kRulePen);
    surface.SetTextAlign({});
    surface.SetBackground(EBackground::Transparent);

    const uint64_t lastRecordRow = kFirstRecordRow + records_;  // the closing rule's row
    for (uint64_t r = firstRow; r < endRow; ++r) {
        const int32_t y = static_cast<int32_t>((r - firstRow) * RowHeight);
        if (r == kTitleRow) {
            DrawTitle(surface, y);
        } else if (records_ == 0) {
            Cell(surface, 0, y, kBlack, "No Results");
        } else if (r == kHeadingRow) {
            DrawHeadings(surface, y);
        } else if (r == kHeadingRuleRow || r == lastRecordRow) {
            DrawRule(surface, y);
        } else if (r < lastRecordRow) {
            const auto index = static_cast<uint32_t>(r - kFirstRecordRow);
            DrawRow(surface, index, ReadRow(index), y);
        } else if (r == lastRecordRow + 1) {
            DrawTotals(surface, SumRows(), y);
        }
    }
    surface.SelectPen(pen);
    surface.SelectFont(font);
}

void CResultsTable::DrawTitle(IViewSurface& surface, int32_t y) const {
    const double millions = static_cast<double>(batch_.traceOps.load()) / 1000000.0;
    Cell(surface, 0, y, kTitleGreen,
         "Batch " + FormatInt(batchIndex_) + ": " + batch_.name + " (" + FormatFixed(millions, 1, 2) +
             " Million Trace Ops)");
}

void CResultsTable::DrawHeadings(IViewSurface& surface, int32_t y) const {
    int32_t k = 0;
    Cell(surface, k++, y, kBlack, "Ray #");
    for (const CSweep* sweep : sweeps_) Cell(surface, k++, y, sweep->color, sweep->heading);
    for (const CColumn& column : columns_) Cell(surface, k++, y, column.color, column.heading);
    for (const char* heading : {"Remndr", "Lost", "Total"}) Cell(surface, k++, y, kTitleGreen, heading);
}

void CResultsTable::DrawRule(IViewSurface& surface, int32_t rowTop) const {
    for (int32_t y : {rowTop + kRuleOffset, rowTop + kRuleOffset + 1}) {
        surface.MoveTo(0, y);
        surface.LineTo(CellWidth * CellCount() + 10, y);
    }
}

void CResultsTable::DrawRow(IViewSurface& surface, uint32_t index, const CRow& row, int32_t y) const {
    int32_t k = 0;
    Cell(surface, k++, y, kBlack, "Ray " + FormatInt(index) + ":");
    for (const CSweep* sweep : sweeps_)
        Cell(surface, k++, y, sweep->color, FormatSweepValue(row.record.key.*sweep->value));
    for (size_t c = 0; c < columns_.size(); ++c, ++k)
        if (row.absorbed[c]) Cell(surface, k, y, columns_[c].color, FormatResultValue(*row.absorbed[c]));
    Cell(surface, k++, y, kTotalGreen, FormatResultValue(row.record.remainder));
    Cell(surface, k++, y, kTotalGreen, FormatResultValue(row.record.lost));
    Cell(surface, k++, y, kTotalGreen, FormatResultValue(row.total));
}

void CResultsTable::DrawTotals(IViewSurface& surface, const CTotals& totals, int32_t y) const {
    int32_t k = 0;
    Cell(surface, k++, y, kBlack, "Totals");
    k += static_cast<int32_t>(sweeps_.size());
    for (double sum : totals.columns) Cell(surface, k++, y, kBlack, FormatResultValue(sum));
    Cell(surface, k++, y, kTotalGreen, FormatResultValue(totals.remainder));
    Cell(surface, k++, y, kTotalGreen, FormatResultValue(totals.lost));
    Cell(surface, k++, y, kTotalGreen, FormatResultValue(totals.grand));
}

}  // namespace brelix
