#include "core/spectrum.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace brelix {

void CSpectrum::InsertSorted(double wavelength, double intensity) {
    uint32_t lo = 0, hi = GetCount();
    while (lo < hi) {
        const uint32_t mid = lo + (hi - lo) / 2;
        if (wavelength < (*this)[mid].wavelength)
            hi = mid;
        else
            lo = mid + 1;
    }
    CSpectrumPoint& point = InsertAt(lo);
    point.wavelength = wavelength;
    point.intensity = intensity;
}

double CSpectrum::Lookup(double wavelength) const {
    for (const CSpectrumPoint& point : *this)
        if (point.wavelength >= wavelength) return point.intensity;
    return 1.0;
}

CSpectrumIndex::CSpectrumIndex(const CSpectrum& spectrum) {
    std::vector<std::pair<double, uint32_t>> points;  // wavelength, list position
    for (uint32_t i = 0; i < spectrum.GetCount(); ++i)
        if (!std::isnan(spectrum[i].wavelength)) points.emplace_back(spectrum[i].wavelength, i);  // never at or above
    std::sort(points.begin(), points.end());
    wavelengths_.resize(points.size());
    firstIntensity_.resize(points.size());
    uint32_t first = UINT32_MAX;
    for (size_t k = points.size(); k-- > 0;) {
        first = std::min(first, points[k].second);
        wavelengths_[k] = points[k].first;
        firstIntensity_[k] = spectrum[first].intensity;
    }
}

double CSpectrumIndex::Lookup(double wavelength) const {
    const auto at = std::lower_bound(wavelengths_.begin(), wavelengths_.end(), wavelength);
    return at == wavelengths_.end() ? 1.0 : firstIntensity_[static_cast<size_t>(at - wavelengths_.begin())];
}

void CSpectrum::CopyFrom(const CSpectrum& other) {
    COwningList<CSpectrumPoint>::RemoveAll();
    for (const CSpectrumPoint& point : other) InsertAt(GetCount()) = point;
    SetCurrent(other.GetCurrent());
}

}  // namespace brelix
