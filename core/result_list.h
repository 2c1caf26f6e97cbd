#pragma once

#include <array>
#include <atomic>
#include <bit>
#include <cstdint>
#include <iosfwd>
#include <memory>

#include "core/ray.h"

namespace brelix {

enum EResultKind : int32_t {
    ResultOnDemand = 0,
    ResultModel = 2,
    ResultLayer = 3,
    ResultPlane = 4,
};

// The seven values that identify a result: the sweep values and spectrum weight a source ray had.
struct CResultKey {
    double wavelength = 0;
    double azimuth = 0;
    double declination = 0;
    double x = 0, y = 0, z = 0;
    double sourceIntensity = 0;

    static CResultKey Of(const CRay& ray) {
        return {ray.wavelength, ray.azimuth, ray.declination, ray.xSource, ray.ySource, ray.zSource,
                ray.sourceIntensity};
    }
    // Exact floating-point equality of all seven values.
    bool operator==(const CResultKey&) const = default;
};

// One tally record: the intensity that ended in each way for one key, in the model, a layer or a plane.
// The trace worker is the only writer; the user interface reads while it writes. Every value is therefore
// read and written whole through Load/Store (relaxed atomic access, plain moves on x86-64), so a reader
// never sees a torn value, only one that may lag one addition behind.
struct CResultRecord {
    int32_t kind = ResultOnDemand;
    int32_t index = -1;
    CResultKey key;
    double lost = 0;
    double remainder = 0;
    double reserved = 0;
    double absorbed = 0;
    double pathLength = 0;

    static double Load(const double& value) {
        return std::atomic_ref<const double>(value).load(std::memory_order_relaxed);
    }
    static void Store(double& value, double v) {
        std::atomic_ref<double>(value).store(v, std::memory_order_relaxed);
    }
    static void Add(double& value, double v) { Store(value, Load(value) + v); }

    // A copy of every field, each read whole: what a reader on another thread looks at.
    CResultRecord Snapshot() const;
};

std::ostream& operator<<(std::ostream& os, const CResultRecord& record);

// The records of one model, layer or plane, indexed by result index. The worker appends while the user
// interface reads, so records never move once made: they live in blocks of doubling size that are only
// freed when the list is destroyed, and the size is published after a record is complete. Clear() keeps
// the blocks, so a reader that still holds an old size reads reused records, never freed memory.
class CResultList {
public:
    CResultList() = default;
    CResultList(const CResultList&) = delete;
    CResultList& operator=(const CResultList&) = delete;
    ~CResultList();

    // Number of records a reader may look at.
    uint32_t GetSize() const { return size_.load(std::memory_order_acquire); }
    // The record at an index below GetSize().
    CResultRecord& operator[](uint32_t index) { return *Slot(index); }
    const CResultRecord& operator[](uint32_t index) const { return *Slot(index); }

    // Appends a record with a key and zero tallies; returns its index. Writer only.
    uint32_t Append(int32_t kind, const CResultKey& key);
    // Removes every record. Writer only, or while no trace runs.
    void Clear() { size_.store(0, std::memory_order_release); }

    // The tallies. A result index outside the list adds nothing.
    void AddAbsorbed(const CRay& ray, double value) { Add(ray, &CResultRecord::absorbed, value); }
    void AddPathLength(const CRay& ray, double value) { Add(ray, &CResultRecord::pathLength, value); }
    void AddRemainder(const CRay& ray, double value) { Add(ray, &CResultRecord::remainder, value); }
    void AddLost(const CRay& ray, double value) { Add(ray, &CResultRecord::lost, value); }

private:
    static constexpr uint32_t FirstBlock = 64;
    static constexpr int Blocks = 27;  // 64 * (2^27 - 1) records, far beyond any memory

    static int BlockOf(uint32_t index) { return std::bit_width(index / FirstBlock + 1) - 1; }
    static uint32_t BlockStart(int block) { return FirstBlock * ((1u << block) - 1); }
    CResultRecord* Slot(uint32_t index) const {
        const int block = BlockOf(index);
        return blocks_[block].load(std::memory_order_acquire) + (index - BlockStart(block));
    }
    void Add(const CRay& ray, double CResultRecord::*field, double value) {
        if (ray.resultIndex < 0 || static_cast<uint32_t>(ray.resultIndex) >= GetSize()) return;
        CResultRecord::Add((*this)[static_cast<uint32_t>(ray.resultIndex)].*field, value);
    }

    std::array<std::atomic<CResultRecord*>, Blocks> blocks_{};
    std::atomic<uint32_t> size_{0};
};

}  // namespace brelix
