#include "core/spectrum.h"

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

void CSpectrum::CopyFrom(const CSpectrum& other) {
    COwningList<CSpectrumPoint>::RemoveAll();
    for (const CSpectrumPoint& point : other) InsertAt(GetCount()) = point;
    SetCurrent(other.GetCurrent());
}

}  // namespace brelix
