#include "trace/ray_sources.h"

#include <cmath>

#include "core/format.h"

namespace brelix {

namespace {

// Runs `body` for each value of a sweep. After each pass the varies flag tells whether the sweep steps;
// a sweep that does not step (Step <= 0, or Stop below Start) ends after its single pass.
template <class Body>
void ForEachSweepValue(const CSweep& sweep, int32_t& varies, Body&& body) {
    for (double value = sweep.start; value <= sweep.stop; value += sweep.step) {
        body(value);
        if (sweep.stop < sweep.start || sweep.step <= 0) {
            varies = 0;
            return;
        }
        varies = 1;
    }
}

}  // namespace

uint64_t CountSweepValues(const CSweep& sweep, uint64_t limit) {
    uint64_t count = 0;
    for (double value = sweep.start; value <= sweep.stop; value += sweep.step) {
        if (++count > limit) break;
        if (sweep.stop < sweep.start || sweep.step <= 0) break;
        if (value + sweep.step == value) return limit + 1;
    }
    return count;
}

uint64_t CountSourceRays(const CBatch& batch, uint64_t limit) {
    uint64_t wavelengths = CountSweepValues(batch.wavelengthSweep, limit);
    if (batch.useSpectrumFile) {
        const uint64_t points = batch.spectrum.GetCount();
        // The wavelength sweep's guard also ends the loop over the spectrum's points.
        const bool steps = !(batch.wavelengthSweep.stop < batch.wavelengthSweep.start) &&
                           batch.wavelengthSweep.step > 0;
        wavelengths = points == 0 ? 0 : steps ? points : 1;
    }
    uint64_t total = wavelengths;
    for (const CSweep* sweep : {&batch.azimuthSweep, &batch.declinationSweep, &batch.xSweep, &batch.ySweep,
                                &batch.zSweep}) {
        const uint64_t n = CountSweepValues(*sweep, limit);
        if (total == 0 || n == 0) return 0;
        if (n > limit || total > limit / n) return limit + 1;
        total *= n;
    }
    return total;
}

uint64_t BytesPerSourceRay(const CBatch& batch) {
    uint64_t lists = 1;
    for (const CLayer& layer : batch.model) lists += 1 + layer.GetCount();
    // The ray, its records, and the key index entry.
    return sizeof(CRay) + lists * sizeof(CResultRecord) + 64;
}

bool GenerateRays(CBatch& batch, IDrawSurface* surface, std::string& error) {
    const uint64_t limit = kSourceRayMemoryLimit / BytesPerSourceRay(batch);
    const uint64_t count = CountSourceRays(batch, limit);
    if (count > limit) {
        error = "The batch's sweeps ask for more than " + FormatInt(static_cast<int64_t>(limit)) +
                " source rays, more than memory can hold. Use larger steps or narrower ranges.";
        return false;
    }

    const double pi = 2 * std::asin(1.0);
    const bool drawing = batch.drawOnRaytrace && surface != nullptr;
    CModel& model = batch.model;
    CRayQueue& queue = batch.rayQueue;
    queue.Reserve(static_cast<uint32_t>(count));

    auto emit = [&](double z, double y, double x, double declination, double azimuth, double wavelength) {
        CRay& ray = queue.Push();
        ray.SetPosition(x + batch.xOffset, y + batch.yOffset, z + batch.zOffset);
        const double alpha = (declination + batch.declinationOffset) * 2 * pi / 360;
        const double beta = (azimuth + batch.azimuthOffset) * 2 * pi / 360;
        ray.SetDirection(-std::sin(alpha) * std::sin(beta), -std::sin(alpha) * std::cos(beta), -std::cos(alpha));
        ray.wavelength = wavelength;
        ray.azimuth = azimuth;
        ray.declination = declination;
        ray.xSource = x;
        ray.ySource = y;
        ray.zSource = z;
        ray.sourceIntensity = batch.GetSourceIntensity(wavelength);
        ray.intensity = ray.sourceIntensity;
        ray.step = 1.0;
        if (drawing) {
            // A stub of ten length units behind the start point.
            surface->SelectPen(batch.drawTools.Pen(PenBlue));
            ray.step = -10.0;
            batch.drawTools.DrawRaySegment(*surface, nullptr, nullptr, ray, false);
            ray.step = 1.0;
        }
        ray.Normalize();
        ray.layer = 0;
        ray.dividesLeft = batch.interfaceDivides;
        ray.resultIndex = model.FindOrAddResult(ray);
    };

    ForEachSweepValue(batch.zSweep, batch.zVaries, [&](double z) {
        ForEachSweepValue(batch.ySweep, batch.yVaries, [&](double y) {
            ForEachSweepValue(batch.xSweep, batch.xVaries, [&](double x) {
                ForEachSweepValue(batch.declinationSweep, batch.declinationVaries, [&](double declination) {
                    ForEachSweepValue(batch.azimuthSweep, batch.azimuthVaries, [&](double azimuth) {
                        if (!batch.useSpectrumFile) {
                            ForEachSweepValue(batch.wavelengthSweep, batch.wavelengthVaries, [&](double w) {
                                emit(z, y, x, declination, azimuth, w);
                            });
                            return;
                        }
                        const CSweep& sweep = batch.wavelengthSweep;
                        for (uint32_t i = 0; i < batch.spectrum.GetCount(); ++i) {
                            emit(z, y, x, declination, azimuth, batch.spectrum[i].wavelength);
                            if (sweep.stop < sweep.start || sweep.step <= 0) {
                                batch.wavelengthVaries = 0;
                                break;
                            }
                            batch.wavelengthVaries = 1;
                        }
                    });
                });
            });
        });
    });
    return true;
}

}  // namespace brelix
