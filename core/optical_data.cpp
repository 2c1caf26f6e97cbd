#include "core/optical_data.h"

#include <algorithm>
#include <ostream>

namespace brelix {

std::ostream& operator<<(std::ostream& os, const COpticalPoint& p) {
    return os << "COpticalPoint{wl=" << p.wavelength << " n=" << p.rindx << " k=" << p.extnc
              << " alpha=" << p.alpha << " scatt=" << p.scatt << " R=" << p.reflectance
              << " nd=" << p.nDielectric << " td=" << p.tDielectric << " w=" << p.emissionWeight << "}";
}

double COpticalData::TableLookup(double wavelength, uint32_t rows, Column column) const {
    const uint32_t n = std::min(rows, GetCount());
    if (n == 0) return constants.*column;
    const COpticalPoint& first = (*this)[0];
    const COpticalPoint& last = (*this)[n - 1];
    // No extrapolation: the end rows hold their values beyond the table.
    if (wavelength <= first.wavelength) return first.*column;
    if (wavelength >= last.wavelength) return last.*column;

    // Find the first i with row i <= W < row i+1. In a sorted table that is the last row at or below W.
    uint32_t i = n;
    if (sorted_) {
        if (wavelength == wavelength) {
            uint32_t lo = 0, hi = n - 1;  // row lo <= W < row hi
            while (hi - lo > 1) {
                const uint32_t mid = lo + (hi - lo) / 2;
                if ((*this)[mid].wavelength <= wavelength)
                    lo = mid;
                else
                    hi = mid;
            }
            i = lo;
        }
    } else {
        for (uint32_t k = 0; k + 1 < n; ++k) {
            if ((*this)[k].wavelength <= wavelength && wavelength < (*this)[k + 1].wavelength) {
                i = k;
                break;
            }
        }
    }
    // Only an unsorted table or a NaN has no such row, and a lone row with a NaN wavelength passes both end
    // checks with no row after it: neither may read past the table.
    if (i + 1 >= n) return constants.*column;

    const COpticalPoint& a = (*this)[i];
    const COpticalPoint& b = (*this)[i + 1];
    return a.*column + (wavelength - a.wavelength) / (b.wavelength - a.wavelength) * (b.*column - a.*column);
}

double COpticalData::LayerLookup(double wavelength, Column column, Column inband, Column outband) const {
    if (layerMode == LayerConstant || wavelength == 0) return constants.*column;
    switch (layerMode) {
        case LayerTable:
            return TableLookup(wavelength, tableCount, column);
        case LayerStokes:
            return TableLookup(wavelength, stokesCount, column);
        case LayerBand:
            if (inband == nullptr) return constants.*column;
            if (wavelength >= constants.centerWavelength - constants.bandwidth / 2 &&
                wavelength <= constants.centerWavelength + constants.bandwidth / 2)
                return constants.*inband;
            return constants.*outband;
        default:
            return constants.*column;
    }
}

double COpticalData::GetRefractiveIndex(double wavelength) const {
    return LayerLookup(wavelength, &COpticalPoint::rindx, &COpticalPoint::inbandRindx,
                       &COpticalPoint::outbandRindx);
}

double COpticalData::GetExtinction(double wavelength) const {
    return LayerLookup(wavelength, &COpticalPoint::extnc, nullptr, nullptr);
}

double COpticalData::GetAbsorption(double wavelength) const {
    return LayerLookup(wavelength, &COpticalPoint::alpha, &COpticalPoint::inbandAlpha,
                       &COpticalPoint::outbandAlpha);
}

double COpticalData::GetScattering(double wavelength) const {
    return LayerLookup(wavelength, &COpticalPoint::scatt, &COpticalPoint::inbandScatt,
                       &COpticalPoint::outbandScatt);
}

double COpticalData::GetEmissionWavelength(double wavelength, CRandom& random) const {
    if (wavelength == 0) return 0;
    switch (layerMode) {
        case LayerBand:
            if (wavelength >= constants.centerWavelength - constants.bandwidth / 2 &&
                wavelength <= constants.centerWavelength + constants.bandwidth / 2)
                return wavelength + constants.emissionShift;
            return wavelength;
        case LayerStokes: {
            const uint32_t n = std::min(stokesCount, GetCount());
            double total = 0;
            for (uint32_t k = 0; k < n; ++k) total += (*this)[k].emissionWeight;
            const double u = random.Next() / 32767.0;
            // All weights zero: no row qualifies and the wavelength is kept.
            if (total == 0) return wavelength;
            double cumulative = 0;
            for (uint32_t k = 0; k < n; ++k) {
                cumulative += (*this)[k].emissionWeight / total;
                if (u <= cumulative) return (*this)[k].wavelength;
            }
            return wavelength;
        }
        default:
            return wavelength;
    }
}

double COpticalData::PlaneLookup(double wavelength, Column column) const {
    if (planeMode == PlaneTable && wavelength != 0) return TableLookup(wavelength, tableCount, column);
    return constants.*column;
}

double COpticalData::GetReflectance(double wavelength) const {
    return PlaneLookup(wavelength, &COpticalPoint::reflectance);
}

double COpticalData::GetDielectricIndex(double wavelength) const {
    return PlaneLookup(wavelength, &COpticalPoint::nDielectric);
}

double COpticalData::GetDielectricThickness(double wavelength) const {
    return PlaneLookup(wavelength, &COpticalPoint::tDielectric);
}

void COpticalData::SetConstants(double rindx, double alpha, double extnc, double scatt) {
    constants.rindx = rindx;
    constants.alpha = alpha;
    constants.extnc = extnc;
    constants.scatt = scatt;
}

void COpticalData::SetBand(double inbandAlpha, double outbandAlpha, double inbandScatt, double outbandScatt,
                           double inbandRindx, double outbandRindx, double centerWavelength, double bandwidth,
                           double emissionShift) {
    constants.inbandAlpha = inbandAlpha;
    constants.outbandAlpha = outbandAlpha;
    constants.inbandScatt = inbandScatt;
    constants.outbandScatt = outbandScatt;
    constants.inbandRindx = inbandRindx;
    constants.outbandRindx = outbandRindx;
    constants.centerWavelength = centerWavelength;
    constants.bandwidth = bandwidth;
    constants.emissionShift = emissionShift;
}

void COpticalData::SetPlaneConstants(double tDielectric, double nDielectric, double reflectance) {
    constants.tDielectric = tDielectric;
    constants.nDielectric = nDielectric;
    constants.reflectance = reflectance;
}

void COpticalData::SetFileName(const std::string& name, uint32_t mode) {
    if (mode == LayerStokes)
        stokesFile = name;
    else
        dataFile = name;
}

void COpticalData::Count(ERowCount count) {
    if (count == ERowCount::Table)
        ++tableCount;
    else if (count == ERowCount::Stokes)
        ++stokesCount;
}

ERowCount COpticalData::RowCountByMode() const {
    if (layerMode == LayerTable || planeMode == PlaneTable) return ERowCount::Table;
    if (layerMode == LayerStokes) return ERowCount::Stokes;
    return ERowCount::None;
}

uint32_t COpticalData::StoredRowCount() const {
    switch (RowCountByMode()) {
        case ERowCount::Table:
            return tableCount;
        case ERowCount::Stokes:
            return stokesCount;
        default:
            return 0;
    }
}

void COpticalData::InsertRow(uint32_t at, const COpticalPoint& row) {
    InsertAt(at) = row;
    const uint32_t n = GetCount();
    at = std::min(at, n - 1);
    if (at > 0 && !((*this)[at - 1].wavelength <= row.wavelength)) sorted_ = false;
    if (at + 1 < n && !(row.wavelength <= (*this)[at + 1].wavelength)) sorted_ = false;
}

void COpticalData::InsertSorted(const COpticalPoint& row, ERowCount count) {
    // After every row at or below W: equal wavelengths keep their file order.
    uint32_t lo = 0, hi = GetCount();
    while (lo < hi) {
        const uint32_t mid = lo + (hi - lo) / 2;
        if (row.wavelength < (*this)[mid].wavelength)
            hi = mid;
        else
            lo = mid + 1;
    }
    InsertRow(lo, row);
    Count(count);
}

void COpticalData::AppendCounted(const COpticalPoint& row) {
    InsertRow(GetCount(), row);
    Count(RowCountByMode());
}

void COpticalData::RemoveAll() {
    COwningList<COpticalPoint>::RemoveAll();
    tableCount = 0;
    stokesCount = 0;
    sorted_ = true;
}

void COpticalData::CopyFrom(const COpticalData& other) {
    RemoveAll();
    tableCount = other.tableCount;
    dataFile = other.dataFile;
    layerMode = other.layerMode;
    pathLength = other.pathLength;
    stokesCount = other.stokesCount;
    stokesFile = other.stokesFile;
    planeFile = other.planeFile;
    spareText = other.spareText;
    planeMode = other.planeMode;
    const uint32_t rows = std::min(other.StoredRowCount(), other.GetCount());
    tableCount = 0;
    stokesCount = 0;
    for (uint32_t i = 0; i < rows; ++i) AppendCounted(other[i]);
    constants = other.constants;
}

}  // namespace brelix
