#include "core/batch.h"

#include <ctime>

#include "core/random.h"

namespace brelix {

void CBatch::CopyFrom(const CBatch& other) {
    for (auto [to, from] : {std::pair{&wavelengthSweep, &other.wavelengthSweep}, {&xSweep, &other.xSweep},
                            {&ySweep, &other.ySweep}, {&azimuthSweep, &other.azimuthSweep},
                            {&declinationSweep, &other.declinationSweep}}) {
        to->start = from->start;
        to->stop = from->stop;
        to->step = from->step;
    }
    minIntensity = other.minIntensity;
    name = other.name;
    interfaceDivides = other.interfaceDivides;
    subdividePosition = other.subdividePosition;
    subdivideTheta = other.subdivideTheta;
    subdivideXi = other.subdivideXi;
    subdivideScatter = other.subdivideScatter;
    xVaries = other.xVaries;
    yVaries = other.yVaries;
    wavelengthVaries = other.wavelengthVaries;
    azimuthVaries = other.azimuthVaries;
    declinationVaries = other.declinationVaries;
    spareFlag = other.spareFlag;
    constantSpectrum = other.constantSpectrum;
    fileSpectrum = other.fileSpectrum;
    spectrumFile = other.spectrumFile;
    useSpectrumFile = other.useSpectrumFile;
    spectrum.CopyFrom(other.spectrum);
    drawOnRaytrace = other.drawOnRaytrace;
    for (int i = 0; i < 3; ++i) viewFlags[i] = other.viewFlags[i];
    constantIntensity = other.constantIntensity;
    model.CopyFrom(other.model);
    drawTools.CopyFrom(other.drawTools);
}

double CBatch::GetSourceIntensity(double wavelength) const {
    if (constantSpectrum) return constantIntensity;
    if (fileSpectrum) return spectrum.Lookup(wavelength);
    return 1.0;
}

void CBatch::Reseed() { Reseed(static_cast<uint32_t>(std::time(nullptr))); }

void CBatch::Reseed(uint32_t clockSeconds) {
    CRandom random(clockSeconds);
    int tenth = 0;
    for (int i = 0; i < 10; ++i) tenth = random.Next();
    seed.store(static_cast<uint32_t>(tenth));
}

}  // namespace brelix
