#include "tests/golden/random_documents.h"

#include "examples/sample_models.h"

namespace brelix::test {

namespace {

using namespace samples;

// splitmix64: the documents must not depend on a standard library's distributions.
class CDraws {
public:
    explicit CDraws(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9e3779b97f4a7c15u);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
        return z ^ (z >> 31);
    }
    // 0 .. n - 1
    uint32_t Below(uint32_t n) { return static_cast<uint32_t>(Next() % n); }
    bool Chance(uint32_t percent) { return Below(100) < percent; }
    // A value in [lo, hi] on a grid of 1/64 of the range, so that it prints the same everywhere.
    double In(double lo, double hi) { return lo + (hi - lo) * Below(65) / 64.0; }

private:
    uint64_t state_;
};

void RandomSweep(CDraws& d, CSweep& sweep, double lo, double hi, uint32_t maxValues) {
    const double start = d.In(lo, hi);
    const uint32_t values = 1 + d.Below(maxValues);
    if (values == 1) {
        sweep = {start, d.Chance(50) ? start : start + 1, 0, 0};
        return;
    }
    const double step = d.In(0.25, 1) * (hi - lo) / values;
    sweep = {start, start + step * (values - 1) + step / 4, step, 0};
}

COpticalPoint LayerRow(CDraws& d, double wavelength, bool scattering) {
    COpticalPoint row;
    row.wavelength = wavelength;
    row.rindx = d.In(1.0, 4.0);
    row.alpha = d.In(0, 200);
    row.scatt = scattering ? d.In(20, 200) : 0;
    row.emissionWeight = d.In(0, 2);
    return row;
}

void RandomLayerOptics(CDraws& d, CLayer& layer) {
    const bool scattering = d.Chance(30);
    layer.SetConstants(d.In(1.0, 4.0), d.In(0, 150), 0, scattering ? d.In(20, 200) : 0);
    switch (d.Below(5)) {
        case 0:
            break;  // constant
        case 1:
        case 2: {
            layer.SetMode(d.Chance(50) ? LayerTable : LayerStokes);
            const uint32_t rows = 1 + d.Below(4);
            for (uint32_t r = 0; r < rows; ++r)
                layer.optics.InsertSorted(LayerRow(d, d.In(380, 1000), scattering),
                                          layer.GetMode() == LayerStokes ? ERowCount::Stokes : ERowCount::Table);
            break;
        }
        case 3:
            layer.SetMode(LayerBand);
            layer.optics.SetBand(d.In(0, 100), d.In(0, 50), scattering ? d.In(20, 200) : 0,
                                 scattering ? d.In(0, 100) : 0, d.In(1.2, 3), d.In(1.2, 3), d.In(450, 750),
                                 d.In(20, 200), d.In(-50, 150));
            break;
        case 4:
            layer.SetPathLength(1);
            break;
    }
}

void RandomPlaneOptics(CDraws& d, CPlane& plane, const CModel& model) {
    if (d.Chance(25)) {
        // Any type, the unknown and the inert included, aimed at any layer or plane, or past them.
        plane.planeType = d.Below(12);
        plane.LyrTransmit = static_cast<int32_t>(d.Below(model.GetCount() + 1));
        plane.PlnTransmit = static_cast<int32_t>(d.Below(6));
    }
    if (d.Chance(15)) plane.shape = ShapeTriangle;
    plane.SetConstants(d.In(50, 120), d.In(0, 2.5), d.In(0, 1));
    if (d.Chance(30)) {
        plane.SetPlaneMode(PlaneTable);
        const uint32_t rows = 1 + d.Below(3);
        for (uint32_t r = 0; r < rows; ++r) {
            COpticalPoint row;
            row.wavelength = d.In(380, 1000);
            row.reflectance = d.In(0, 1);
            row.nDielectric = d.In(1.2, 2.5);
            row.tDielectric = d.In(40, 150);
            plane.optics.InsertSorted(row, ERowCount::Table);
        }
    }
}

void BuildStructure(CDraws& d, CBatch& batch) {
    switch (d.Below(6)) {
        case 0:
            BuildSlab(batch, d.In(1.2, 4), d.In(0, 200), d.In(5, 100));
            break;
        case 1:
            BuildLambertianSlab(batch, d.In(1.2, 4), d.In(0, 100), d.In(10, 100), d.In(0.5, 1));
            break;
        case 2:
        case 3:
            BuildTexturedCell(batch, d.Chance(50));
            break;
        case 4:
        case 5:
            BuildScatteringBox(batch, d.Chance(50));
            break;
    }
    for (CLayer& layer : batch.model) {
        if (d.Chance(40)) {
            layer.optics.RemoveAll();
            layer.SetMode(LayerConstant);
            RandomLayerOptics(d, layer);
        }
        for (CPlane& plane : layer) RandomPlaneOptics(d, plane, batch.model);
    }
    // Rays that move to random points of a plane, at least in some documents.
    if (d.Chance(20)) {
        CPlane& plane = batch.model[0][0];
        plane.planeType = RandomiseTailTransmit + d.Below(2);
        plane.LyrTransmit = 1;
    }
}

void RandomSources(CDraws& d, CBatch& batch, bool cell) {
    const double x0 = cell ? 0 : -20, x1 = cell ? 10 : 20;
    RandomSweep(d, batch.xSweep, x0, x1, 3);
    RandomSweep(d, batch.ySweep, x0, x1, 2);
    RandomSweep(d, batch.zSweep, 0, 10, 2);
    RandomSweep(d, batch.azimuthSweep, 0, 90, 2);
    RandomSweep(d, batch.declinationSweep, 0, 60, 2);
    RandomSweep(d, batch.wavelengthSweep, 400, 1000, 3);
    if (d.Chance(50)) {
        batch.xOffset = d.In(-1, 1);
        batch.yOffset = d.In(-1, 1);
        batch.zOffset = d.In(-5, 5);
        batch.azimuthOffset = d.In(-20, 20);
        batch.declinationOffset = d.In(-10, 10);
    }
    switch (d.Below(4)) {
        case 0:
            batch.constantIntensity = d.In(0.5, 3);
            break;
        case 1:
            batch.constantSpectrum = 0;  // neither constant nor file: intensity 1
            break;
        default: {
            batch.constantSpectrum = 0;
            batch.fileSpectrum = 1;
            const uint32_t points = 1 + d.Below(4);
            for (uint32_t p = 0; p < points; ++p) {
                // Wavelengths repeat at times, so that keys are shared.
                const double w = d.Chance(30) && p > 0 ? batch.spectrum[p - 1].wavelength : d.In(400, 1000);
                batch.spectrum.InsertSorted(w, d.In(0.1, 2));
            }
            if (d.Chance(50)) {
                batch.useSpectrumFile = 1;
                if (d.Chance(25)) batch.wavelengthSweep.step = 0;  // only the first point
            }
        }
    }
}

void RandomControls(CDraws& d, CBatch& batch) {
    batch.minIntensity = d.In(0.0005, 0.05);
    batch.interfaceDivides = d.Below(4);
    batch.subdividePosition = d.Below(4);
    batch.subdivideTheta = d.Below(4);
    batch.subdivideXi = d.Below(4);
    batch.subdivideScatter = d.Below(4);
}

}  // namespace

void BuildRandomDocument(CBatchList& list, uint32_t index) {
    CDraws d(0x5eed0000u + index);
    const uint32_t batches = 1 + d.Below(2);
    for (uint32_t b = 0; b < batches; ++b) {
        CBatch& batch = b == 0 ? list[0] : list.Append();
        batch.name = "Random " + std::to_string(index) + "." + std::to_string(b);
        BuildStructure(d, batch);
        RandomSources(d, batch, batch.model[0].GetCount() > 2);  // the periodic cell is 10 um wide
        RandomControls(d, batch);
    }
}

}  // namespace brelix::test
