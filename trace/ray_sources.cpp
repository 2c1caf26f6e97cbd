#include "trace/ray_sources.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace brelix {

namespace {

// A sweep that does not step (Step <= 0, or Stop below Start) has its single value; the results show a
// column for every sweep that steps.
void SetVaries(int32_t& flag, const CSweep& sweep) {
    StoreShared(flag, sweep.stop < sweep.start || sweep.step <= 0 ? 0 : 1);
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
    // An empty sweep empties the batch however long the others are: looked for before any is walked.
    for (const CSweep* sweep : {&batch.xSweep, &batch.ySweep, &batch.zSweep, &batch.azimuthSweep,
                                &batch.declinationSweep})
        if (CountSweepValues(*sweep, 0) == 0) return 0;
    uint64_t wavelengths = 0;
    if (batch.useSpectrumFile) {
        const uint64_t points = batch.spectrum.GetCount();
        // The wavelength sweep's guard also ends the loop over the spectrum's points.
        const bool steps = !(batch.wavelengthSweep.stop < batch.wavelengthSweep.start) &&
                           batch.wavelengthSweep.step > 0;
        wavelengths = points == 0 ? 0 : steps ? points : 1;
    } else if (CountSweepValues(batch.wavelengthSweep, 0) > 0) {
        wavelengths = CountSweepValues(batch.wavelengthSweep, limit);
    }
    if (wavelengths == 0) return 0;
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

uint64_t CountResultRows(const CBatch& batch) {
    if (CountSourceRays(batch, kMaxSourceRays) == 0) return 0;
    uint64_t rows = 1;
    for (const CSweep* sweep : {&batch.azimuthSweep, &batch.declinationSweep, &batch.xSweep, &batch.ySweep,
                                &batch.zSweep})
        rows *= CountSweepValues(*sweep, kMaxSourceRays);
    if (!batch.useSpectrumFile) return rows * CountSweepValues(batch.wavelengthSweep, kMaxSourceRays);
    // Spectrum points of equal wavelength share their rows.
    const CSweep& sweep = batch.wavelengthSweep;
    const bool steps = !(sweep.stop < sweep.start) && sweep.step > 0;
    std::vector<double> wavelengths;
    for (uint32_t i = 0; i < batch.spectrum.GetCount() && (steps || i == 0); ++i)
        wavelengths.push_back(batch.spectrum[i].wavelength);
    std::sort(wavelengths.begin(), wavelengths.end());
    const uint64_t distinct = static_cast<uint64_t>(
        std::unique(wavelengths.begin(), wavelengths.end(), [](double a, double b) { return a == b; }) -
        wavelengths.begin());
    return rows * distinct;
}

EGeneration GenerateRays(CBatch& batch, IDrawSurface* surface, const CDrawTools* tools, uint64_t extraRays,
                         const std::atomic<uint32_t>* stop) {
    const bool drawing = LoadShared(batch.drawOnRaytrace) && surface != nullptr;
    const CDrawTools& drawTools = tools ? *tools : batch.drawTools;
    CSourceRays& sources = batch.sources;
    sources.Clear();
    // An empty sweep empties the batch: walking the others would only waste time, or never end when one
    // of them cannot move its value on.
    if (CountSourceRays(batch, kMaxSourceRays) == 0) return EGeneration::Done;
    sources.Prepare(batch);
    for (auto [flag, sweep] : {std::pair{&batch.zVaries, &batch.zSweep}, {&batch.yVaries, &batch.ySweep},
                               {&batch.xVaries, &batch.xSweep}, {&batch.declinationVaries, &batch.declinationSweep},
                               {&batch.azimuthVaries, &batch.azimuthSweep},
                               {&batch.wavelengthVaries, &batch.wavelengthSweep}})
        SetVaries(*flag, *sweep);
    batch.rayQueue.Reserve(extraRays);

    // The rows of each combination of the outer sweeps, in the order the rays meet their keys, and the
    // stubs of its rays. Looking at the stop flag on every ray would cost more than the ray; every few
    // thousand is soon enough. A stopped generation launches the rays of the combinations laid out.
    constexpr uint64_t kStopCheckInterval = 4096;
    CModel& model = batch.model;
    model.ReserveResults(static_cast<uint32_t>(sources.GetRowCount()));
    uint64_t untilCheck = kStopCheckInterval;
    uint64_t group = 0;
    for (; group < sources.GetGroupCount(); ++group) {
        if (untilCheck <= sources.RaysPerGroup()) {
            untilCheck = kStopCheckInterval;
            if (stop && stop->load(std::memory_order_relaxed)) break;
        }
        untilCheck -= std::min(untilCheck, sources.RaysPerGroup());
        const uint64_t firstRow = group * sources.RowsPerGroup();
        for (uint64_t row = firstRow; row < firstRow + sources.RowsPerGroup(); ++row)
            model.AppendNewResult(sources.RowKey(row));
        if (!drawing) continue;
        const uint64_t firstRay = group * sources.RaysPerGroup();
        for (uint64_t index = firstRay; index < firstRay + sources.RaysPerGroup(); ++index) {
            // A stub of ten length units behind the start point.
            CRay stub;
            sources.MakeStub(index, stub);
            surface->SelectPen(drawTools.Pen(PenBlue));
            drawTools.DrawRaySegment(*surface, nullptr, nullptr, stub, false);
        }
    }
    model.ShareResults();
    sources.SetLeft(group * sources.RaysPerGroup());
    return group < sources.GetGroupCount() ? EGeneration::Stopped : EGeneration::Done;
}

}  // namespace brelix
