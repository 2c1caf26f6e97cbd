#pragma once

#include <cstdint>
#include <vector>

#include "core/ray.h"
#include "core/result_list.h"

namespace brelix {

class CBatch;
struct CSweep;

// The values a sweep takes, as the generation walks it: Start, Start + Step, ... (each by adding Step to
// the last) up to Stop; one value when Step is 0 or negative; none when Stop is below Start; and no more
// once Step no longer moves the value.
std::vector<double> SweepValues(const CSweep& sweep);

// A batch's source rays, made one at a time from their index instead of queued up front: a batch may
// launch a hundred million of them. Index i is the i-th ray of the generation order (z, y, x, declination,
// azimuth outermost to innermost, the wavelengths innermost); its sweep values come from the value list
// of each sweep, so a ray made from its index is bit for bit the ray the nested loops would make.
//
// Result rows: the keys of the source rays, in the order the generation meets them. Two source rays share
// a key only when they share every sweep value and their wavelengths are equal (the spectrum may list a
// wavelength more than once): rows are the outer combinations times the distinct wavelengths, and the row
// of a ray follows from its index without a lookup.
class CSourceRays {
public:
    // Walks the batch's sweeps and reads its offsets (read once, as the generation always did) and
    // spectrum weights. The batch must have passed CheckBatch.
    void Prepare(const CBatch& batch);
    void Clear() { *this = CSourceRays(); }

    uint64_t GetCount() const { return count_; }
    uint64_t GetRowCount() const { return outer_ * distinct_.size(); }
    // The rays (and rows) of one combination of the outer sweeps: one per wavelength (per distinct one).
    uint64_t GetGroupCount() const { return outer_; }
    uint64_t RaysPerGroup() const { return wavelengths_.size(); }
    uint64_t RowsPerGroup() const { return distinct_.size(); }
    CResultKey RowKey(uint64_t row) const;

    // The row of source ray `index`.
    uint64_t RowOf(uint64_t index) const {
        return index / wavelengths_.size() * distinct_.size() + wavelengthRow_[index % wavelengths_.size()];
    }
    // Source ray `index` as launched: position, unit direction, intensity, key and row, layer 0.
    void Make(uint64_t index, CRay& ray) const;
    // Source ray `index` as its stub is drawn: the start point and direction, step -10.
    void MakeStub(uint64_t index, CRay& ray) const;

    // The source rays not launched yet. They launch from the last index down, as the rays a last-in
    // first-out queue held would.
    uint64_t Left() const { return left_; }
    // Launches the rays below `count` only (a generation stopped early made no more).
    void SetLeft(uint64_t count) { left_ = count; }
    bool LaunchNext(CRay& ray) {
        if (left_ == 0) return false;
        Make(--left_, ray);
        return true;
    }

private:
    struct CAngle {
        double value;
        double sine, cosine;  // of the angle with its offset, in radians
    };
    struct CIndices {
        uint64_t z, y, x, declination, azimuth, wavelength;
    };
    CIndices Split(uint64_t index) const;
    void Place(const CIndices& at, CRay& ray) const;

    std::vector<double> z_, y_, x_;
    std::vector<CAngle> declination_, azimuth_;
    std::vector<double> wavelengths_;
    // Per wavelength: the rank of its first occurrence among the distinct wavelengths, and its weight.
    std::vector<uint32_t> wavelengthRow_;
    std::vector<double> intensity_;
    // The first position of each distinct wavelength.
    std::vector<uint32_t> distinct_;
    double xOffset_ = 0, yOffset_ = 0, zOffset_ = 0;
    uint32_t interfaceDivides_ = 0;
    uint64_t count_ = 0;
    uint64_t outer_ = 0;
    uint64_t left_ = 0;
};

}  // namespace brelix
