#pragma once

#include <array>
#include <atomic>
#include <bit>
#include <cstdint>
#include <iosfwd>

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

// Hashes a key as it compares: -0 like 0.
struct CResultKeyHash {
    size_t operator()(const CResultKey& key) const;
};

// One tally record as a reader sees it: the intensity that ended in each way for one key, in the model, a
// layer or a plane.
struct CResultRecord {
    int32_t kind = ResultOnDemand;
    int32_t index = -1;
    CResultKey key;
    double lost = 0;
    double remainder = 0;
    double reserved = 0;
    double absorbed = 0;
    double pathLength = 0;

    // Every value of a result list is read and written whole through these (relaxed atomic access, plain
    // moves on x86-64), so a reader never sees a torn value, only one that may lag one addition behind.
    static double Load(const double& value) {
        return std::atomic_ref<const double>(value).load(std::memory_order_relaxed);
    }
    static void Store(double& value, double v) {
        std::atomic_ref<double>(value).store(v, std::memory_order_relaxed);
    }
    static void Add(double& value, double v) { Store(value, Load(value) + v); }

    // A copy: records are handed out by value already, so this is the record itself.
    CResultRecord Snapshot() const { return *this; }
};

std::ostream& operator<<(std::ostream& os, const CResultRecord& record);

// The records of one model, layer or plane, indexed by result index. The trace worker is the only writer;
// the user interface reads while it writes.
//
// A batch may have millions of records, so a list keeps only what is used: a column per tally, made on
// the first addition to it (a plane never adds lost light, a bare interface absorbs nothing), and the keys
// either its own or, for the lists of a model's layers and planes, those of the model's list. Columns live
// in blocks of doubling size that never move and are only freed when the list is destroyed, so a reader
// that still holds an old size reads reused values, never freed memory; the size is published after a
// record is complete. Blocks are allocated zeroed and untouched, so room made for records that never come
// costs address space only.
class CResultList {
public:
    CResultList() = default;
    CResultList(const CResultList&) = delete;
    CResultList& operator=(const CResultList&) = delete;
    ~CResultList();

    // Number of records a reader may look at.
    uint32_t GetSize() const { return size_.load(std::memory_order_acquire); }
    // A copy of the record at an index below GetSize(), each value read whole.
    CResultRecord operator[](uint32_t index) const;
    double Absorbed(uint32_t index) const { return Value(Absorbed_, index); }
    double Remainder(uint32_t index) const { return Value(Remainder_, index); }
    double Lost(uint32_t index) const { return Value(Lost_, index); }
    double PathLength(uint32_t index) const { return Value(PathLength_, index); }
    CResultKey Key(uint32_t index) const;
    // True when every lost, remainder and absorbed tally (what a results table shows) is a finite number.
    bool TalliesAreFinite() const;

    // Appends a record with a key and zero tallies; returns its index. Writer only; the list keeps its
    // own keys.
    uint32_t Append(int32_t kind, const CResultKey& key);
    // Makes the records below `count` readable with zero tallies, their keys those of `keys` (a list
    // whose records are made first). Writer only.
    void AppendSharingKeys(int32_t kind, const CResultList& keys, uint32_t count);
    // Makes room for `count` records at once; throws std::bad_alloc when they could not be held.
    void Reserve(uint32_t count);
    // Removes every record. Writer only, or while no trace runs.
    void Clear() { size_.store(0, std::memory_order_release); }

    // The tallies. A result index outside the list adds nothing.
    void AddAbsorbed(const CRay& ray, double value) { Add(Absorbed_, ray, value); }
    void AddPathLength(const CRay& ray, double value) { Add(PathLength_, ray, value); }
    void AddRemainder(const CRay& ray, double value) { Add(Remainder_, ray, value); }
    void AddLost(const CRay& ray, double value) { Add(Lost_, ray, value); }
    // Adds to a tally by index, as merging partial results does. The index must be below GetSize().
    void AddAbsorbed(uint32_t index, double value) { Add(Absorbed_, index, value); }
    void AddPathLength(uint32_t index, double value) { Add(PathLength_, index, value); }
    void AddRemainder(uint32_t index, double value) { Add(Remainder_, index, value); }
    void AddLost(uint32_t index, double value) { Add(Lost_, index, value); }

private:
    static constexpr uint32_t FirstBlock = 64;
    static constexpr int Blocks = 27;  // 64 * (2^27 - 1) records, far beyond any memory
    enum EColumn { Lost_, Remainder_, Absorbed_, PathLength_, Columns };

    static int BlockOf(uint32_t index) { return std::bit_width(index / FirstBlock + 1) - 1; }
    static uint32_t BlockStart(int block) { return FirstBlock * ((1u << block) - 1); }
    static size_t BlockSize(int block) { return size_t{FirstBlock} << block; }

    double* Cell(int column, uint32_t index) const {
        const int block = BlockOf(index);
        double* values = columns_[column][block].load(std::memory_order_acquire);
        return values ? values + (index - BlockStart(block)) : nullptr;
    }
    double Value(int column, uint32_t index) const {
        const double* cell = Cell(column, index);
        return cell ? CResultRecord::Load(*cell) : 0.0;
    }
    void Add(int column, uint32_t index, double value) {
        double* cell = Cell(column, index);
        if (!cell) cell = MakeColumn(column, index);
        CResultRecord::Add(*cell, value);
    }
    void Add(int column, const CRay& ray, double value) {
        if (ray.resultIndex < 0 || static_cast<uint32_t>(ray.resultIndex) >= GetSize()) return;
        Add(column, static_cast<uint32_t>(ray.resultIndex), value);
    }
    // Allocates a column's blocks up to the list's room; returns the cell of `index`.
    double* MakeColumn(int column, uint32_t index);
    // Makes room for records below `count` in the keys (when the list owns them) and in every column made.
    void Grow(uint32_t count);
    // Zeroes the tallies of records [from, to) that an earlier use of the list left behind.
    void ZeroTallies(uint32_t from, uint32_t to);

    std::array<std::array<std::atomic<double*>, Blocks>, Columns> columns_{};
    std::array<std::atomic<CResultKey*>, Blocks> keys_{};
    // The list whose keys these records share, or null for a list with its own.
    std::atomic<const CResultList*> keyOwner_{nullptr};
    std::atomic<int32_t> kind_{ResultOnDemand};
    // Blocks allocated in each made column (and in the keys when owned).
    int blocks_ = 0;
    std::atomic<uint32_t> size_{0};
};

}  // namespace brelix
