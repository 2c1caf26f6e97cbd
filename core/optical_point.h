#pragma once

#include <cstdint>
#include <iosfwd>

namespace brelix {

// One row of optical properties: a table row read from a data file, or a layer's or plane's constants.
struct COpticalPoint {
    double wavelength = 0;  // nm; the key of a table row
    double rindx = 1.0;     // refractive index
    double extnc = 0;       // extinction coefficient k
    double alpha = 0;       // absorption coefficient, per cm
    double scatt = 0;       // scattering coefficient, per cm
    double reflectance = 0;
    double nDielectric = 0;  // coating index
    double tDielectric = 0;  // coating thickness, nm
    double inbandAlpha = 0;
    double outbandAlpha = 0;
    double inbandScatt = 0;
    double outbandScatt = 0;
    double inbandRindx = 0;
    double outbandRindx = 0;
    double bandwidth = 0;         // nm
    double centerWavelength = 0;  // nm
    double emissionShift = 0;     // nm
    int32_t rowFlag = 0;          // stored, read by nothing
    double emissionWeight = 0;    // weight of the row in a Stokes emission spectrum
};

std::ostream& operator<<(std::ostream& os, const COpticalPoint& point);

}  // namespace brelix
