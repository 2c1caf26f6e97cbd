#pragma once

#include <cstdint>
#include <vector>

#include "core/owning_list.h"

namespace brelix {

// One point of a source spectrum. Only the wavelength and intensity are used; the other five values are
// carried for the document format.
struct CSpectrumPoint {
    double wavelength = 0;  // nm
    double intensity = 0;   // relative
    double extra[5] = {0, 0, 0, 0, 0};
};

// A batch's source spectrum in ascending wavelength.
class CSpectrum : public COwningList<CSpectrumPoint> {
public:
    // Inserts a point after every point at or below its wavelength (equal wavelengths keep file order).
    void InsertSorted(double wavelength, double intensity);
    // The intensity of the first point at or above the wavelength (no interpolation); 1.0 above every
    // point or for an empty spectrum.
    double Lookup(double wavelength) const;
    void RemoveAll() {
        COwningList<CSpectrumPoint>::RemoveAll();
        SetCurrent(0);
    }
    void CopyFrom(const CSpectrum& other);
};

// CSpectrum::Lookup for many wavelengths: the same answers by binary search, O(log S) each instead of a
// scan, for a spectrum in any order. Among the points at or above a wavelength, the one first in the list
// answers; those points are a suffix of the points sorted by wavelength, so the answer is that suffix's
// least list position.
class CSpectrumIndex {
public:
    explicit CSpectrumIndex(const CSpectrum& spectrum);
    double Lookup(double wavelength) const;

private:
    std::vector<double> wavelengths_;  // ascending
    std::vector<double> firstIntensity_;  // the intensity of the first point in list order, per suffix
};

}  // namespace brelix
