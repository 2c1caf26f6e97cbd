#include "trace/ray_sources.h"

#include <algorithm>
#include <cmath>

namespace brelix {

namespace {

void SetFlag(int32_t& flag, int32_t value) { StoreShared(flag, value); }

// Runs `body` for each value of a sweep. After each pass the varies flag tells whether the sweep steps;
// a sweep that does not step (Step <= 0, or Stop below Start) ends after its single pass, and so does one
// whose step no longer moves the value (it would repeat the last value for ever).
template <class Body>
void ForEachSweepValue(const CSweep& sweep, int32_t& varies, Body&& body) {
    for (double value = sweep.start; value <= sweep.stop; value += sweep.step) {
        if (!body(value)) return;
        if (sweep.stop < sweep.start || sweep.step <= 0) {
            SetFlag(varies, 0);
            return;
        }
        SetFlag(varies, 1);
        if (value + sweep.step == value) return;
    }
}

}  // namespace

uint64_t CountSweepValues(const CSweep& sweep, uint64_t limit, bool* stalls) {
    if (stalls) *stalls = false;
    // Each addition is rounded by at most half an ulp of the largest value, so a step well above that
    // moves on by at least step - ulp/2: a sweep far beyond the limit is known without walking it.
    const double largest = std::max(std::fabs(sweep.start), std::fabs(sweep.stop));
    const double ulp = std::nextafter(largest, INFINITY) - largest;
    if (sweep.step > ulp && sweep.stop > sweep.start &&
        (sweep.stop - sweep.start) / (sweep.step + ulp / 2) > static_cast<double>(limit) + 1)
        return limit + 1;
    uint64_t count = 0;
    for (double value = sweep.start; value <= sweep.stop; value += sweep.step) {
        if (++count > limit) break;
        if (sweep.stop < sweep.start || sweep.step <= 0) break;
        if (value + sweep.step == value) {
            if (value >= sweep.stop) break;
            if (stalls) *stalls = true;
            return limit + 1;
        }
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

EGeneration GenerateRays(CBatch& batch, IDrawSurface* surface, const CDrawTools* tools, uint64_t extraRays,
                         const std::atomic<uint32_t>* stop) {
    const double pi = 2 * std::asin(1.0);
    const bool drawing = LoadShared(batch.drawOnRaytrace) && surface != nullptr;
    const CDrawTools& drawTools = tools ? *tools : batch.drawTools;
    const double xOffset = LoadShared(batch.xOffset), yOffset = LoadShared(batch.yOffset),
                 zOffset = LoadShared(batch.zOffset), azimuthOffset = LoadShared(batch.azimuthOffset),
                 declinationOffset = LoadShared(batch.declinationOffset);
    CModel& model = batch.model;
    CRayQueue& queue = batch.rayQueue;
    const uint64_t count = CountSourceRays(batch, kMaxSourceRays);
    // An empty sweep empties the batch: walking the others would only waste time, or never end when one
    // of them cannot move its value on.
    if (count == 0) return EGeneration::Done;
    queue.Reserve(count + extraRays);

    // Looking at the stop flag on every ray would cost more than the ray; every few thousand is soon enough.
    constexpr uint32_t kStopCheckInterval = 4096;
    uint32_t untilCheck = kStopCheckInterval;
    bool stopped = false;

    auto emit = [&](double z, double y, double x, double declination, double azimuth, double wavelength) {
        if (--untilCheck == 0) {
            untilCheck = kStopCheckInterval;
            if (stop && stop->load(std::memory_order_relaxed)) {
                stopped = true;
                return false;
            }
        }
        CRay& ray = queue.Push();
        ray.SetPosition(x + xOffset, y + yOffset, z + zOffset);
        const double alpha = (declination + declinationOffset) * 2 * pi / 360;
        const double beta = (azimuth + azimuthOffset) * 2 * pi / 360;
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
            surface->SelectPen(drawTools.Pen(PenBlue));
            ray.step = -10.0;
            drawTools.DrawRaySegment(*surface, nullptr, nullptr, ray, false);
            ray.step = 1.0;
        }
        ray.Normalize();
        ray.layer = 0;
        ray.dividesLeft = batch.interfaceDivides;
        ray.resultIndex = model.FindOrAddResult(ray);
        return true;
    };

    ForEachSweepValue(batch.zSweep, batch.zVaries, [&](double z) {
        ForEachSweepValue(batch.ySweep, batch.yVaries, [&](double y) {
            ForEachSweepValue(batch.xSweep, batch.xVaries, [&](double x) {
                ForEachSweepValue(batch.declinationSweep, batch.declinationVaries, [&](double declination) {
                    ForEachSweepValue(batch.azimuthSweep, batch.azimuthVaries, [&](double azimuth) {
                        if (!batch.useSpectrumFile) {
                            ForEachSweepValue(batch.wavelengthSweep, batch.wavelengthVaries, [&](double w) {
                                return emit(z, y, x, declination, azimuth, w);
                            });
                            return !stopped;
                        }
                        const CSweep& sweep = batch.wavelengthSweep;
                        for (uint32_t i = 0; i < batch.spectrum.GetCount(); ++i) {
                            if (!emit(z, y, x, declination, azimuth, batch.spectrum[i].wavelength)) break;
                            if (sweep.stop < sweep.start || sweep.step <= 0) {
                                SetFlag(batch.wavelengthVaries, 0);
                                break;
                            }
                            SetFlag(batch.wavelengthVaries, 1);
                        }
                        return !stopped;
                    });
                    return !stopped;
                });
                return !stopped;
            });
            return !stopped;
        });
        return !stopped;
    });
    return stopped ? EGeneration::Stopped : EGeneration::Done;
}

}  // namespace brelix
