#include "core/source_rays.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "core/batch.h"
#include "core/shared_value.h"

namespace brelix {

std::vector<double> SweepValues(const CSweep& sweep) {
    std::vector<double> values;
    for (double value = sweep.start; value <= sweep.stop; value += sweep.step) {
        values.push_back(value);
        if (sweep.stop < sweep.start || sweep.step <= 0) break;
        if (value + sweep.step == value) break;
    }
    return values;
}

void CSourceRays::Prepare(const CBatch& batch) {
    Clear();
    const double pi = 2 * std::asin(1.0);
    xOffset_ = LoadShared(batch.xOffset);
    yOffset_ = LoadShared(batch.yOffset);
    zOffset_ = LoadShared(batch.zOffset);
    const double azimuthOffset = LoadShared(batch.azimuthOffset);
    const double declinationOffset = LoadShared(batch.declinationOffset);
    interfaceDivides_ = batch.interfaceDivides;

    z_ = SweepValues(batch.zSweep);
    y_ = SweepValues(batch.ySweep);
    x_ = SweepValues(batch.xSweep);
    for (double declination : SweepValues(batch.declinationSweep)) {
        const double alpha = (declination + declinationOffset) * 2 * pi / 360;
        declination_.push_back({declination, std::sin(alpha), std::cos(alpha)});
    }
    for (double azimuth : SweepValues(batch.azimuthSweep)) {
        const double beta = (azimuth + azimuthOffset) * 2 * pi / 360;
        azimuth_.push_back({azimuth, std::sin(beta), std::cos(beta)});
    }
    if (batch.useSpectrumFile) {
        // The spectrum's points, or only the first when the wavelength sweep does not step.
        const CSweep& sweep = batch.wavelengthSweep;
        const bool steps = !(sweep.stop < sweep.start) && sweep.step > 0;
        for (uint32_t i = 0; i < batch.spectrum.GetCount() && (steps || i == 0); ++i)
            wavelengths_.push_back(batch.spectrum[i].wavelength);
    } else {
        wavelengths_ = SweepValues(batch.wavelengthSweep);
    }

    // Equal wavelengths (== as keys compare them, so -0 is 0) share a row, numbered by first occurrence.
    std::vector<uint32_t> order(wavelengths_.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return wavelengths_[a] < wavelengths_[b]; });
    for (size_t k = 0; k < order.size(); ++k)
        if (k == 0 || !(wavelengths_[order[k]] == wavelengths_[order[k - 1]])) distinct_.push_back(order[k]);
    std::sort(distinct_.begin(), distinct_.end());
    wavelengthRow_.resize(wavelengths_.size());
    for (uint32_t rank = 0; rank < distinct_.size(); ++rank) {
        const double w = wavelengths_[distinct_[rank]];
        const auto first = std::lower_bound(order.begin(), order.end(), w,
                                            [&](uint32_t a, double v) { return wavelengths_[a] < v; });
        for (auto it = first; it != order.end() && wavelengths_[*it] == w; ++it) wavelengthRow_[*it] = rank;
    }

    intensity_.resize(wavelengths_.size());
    if (batch.constantSpectrum || !batch.fileSpectrum) {
        for (double& intensity : intensity_) intensity = batch.GetSourceIntensity(0);
    } else {
        const CSpectrumIndex spectrum(batch.spectrum);
        for (size_t w = 0; w < wavelengths_.size(); ++w) intensity_[w] = spectrum.Lookup(wavelengths_[w]);
    }

    outer_ = uint64_t{z_.size()} * y_.size() * x_.size() * declination_.size() * azimuth_.size();
    count_ = outer_ * wavelengths_.size();
    if (count_ == 0) outer_ = 0;
    left_ = count_;
}

CSourceRays::CIndices CSourceRays::Split(uint64_t index) const {
    CIndices at;
    at.wavelength = index % wavelengths_.size();
    index /= wavelengths_.size();
    at.azimuth = index % azimuth_.size();
    index /= azimuth_.size();
    at.declination = index % declination_.size();
    index /= declination_.size();
    at.x = index % x_.size();
    index /= x_.size();
    at.y = index % y_.size();
    at.z = index / y_.size();
    return at;
}

CResultKey CSourceRays::RowKey(uint64_t row) const {
    const uint64_t outer = row / distinct_.size();
    const uint32_t w = distinct_[row % distinct_.size()];
    const CIndices at = Split(outer * wavelengths_.size() + w);
    return {wavelengths_[w], azimuth_[at.azimuth].value, declination_[at.declination].value, x_[at.x],
            y_[at.y],        z_[at.z],                   intensity_[w]};
}

void CSourceRays::Place(const CIndices& at, CRay& ray) const {
    const CAngle& alpha = declination_[at.declination];
    const CAngle& beta = azimuth_[at.azimuth];
    ray.SetPosition(x_[at.x] + xOffset_, y_[at.y] + yOffset_, z_[at.z] + zOffset_);
    ray.SetDirection(-alpha.sine * beta.sine, -alpha.sine * beta.cosine, -alpha.cosine);
    ray.wavelength = wavelengths_[at.wavelength];
    ray.azimuth = beta.value;
    ray.declination = alpha.value;
    ray.xSource = x_[at.x];
    ray.ySource = y_[at.y];
    ray.zSource = z_[at.z];
    ray.sourceIntensity = intensity_[at.wavelength];
    ray.intensity = ray.sourceIntensity;
}

void CSourceRays::Make(uint64_t index, CRay& ray) const {
    const CIndices at = Split(index);
    ray = CRay();
    Place(at, ray);
    ray.step = 1.0;
    ray.Normalize();
    ray.layer = 0;
    ray.dividesLeft = interfaceDivides_;
    ray.resultIndex = static_cast<int32_t>(RowOf(index));
}

void CSourceRays::MakeStub(uint64_t index, CRay& ray) const {
    ray = CRay();
    Place(Split(index), ray);
    ray.step = -10.0;
}

}  // namespace brelix
