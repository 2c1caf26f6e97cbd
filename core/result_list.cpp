#include "core/result_list.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <new>
#include <ostream>

namespace brelix {

size_t CResultKeyHash::operator()(const CResultKey& key) const {
    size_t h = 0;
    for (double v : {key.wavelength, key.azimuth, key.declination, key.x, key.y, key.z, key.sourceIntensity})
        h = h * 1000003u ^ std::hash<double>{}(v + 0.0);  // + 0.0 makes -0 hash like 0, as it compares
    // The low bits pick a slot: mix the high ones in.
    return h ^ (h >> 29) ^ (h >> 47);
}

namespace {

// Zeroed and untouched: the system gives the pages only when a record is written.
template <class T>
T* AllocateZeroed(size_t count) {
    void* memory = std::calloc(count, sizeof(T));
    if (!memory) throw std::bad_alloc();
    return static_cast<T*>(memory);
}

}  // namespace

std::ostream& operator<<(std::ostream& os, const CResultRecord& r) {
    return os << "CResultRecord{kind=" << r.kind << " index=" << r.index << " key=(" << r.key.wavelength << ", "
              << r.key.azimuth << ", " << r.key.declination << ", " << r.key.x << ", " << r.key.y << ", "
              << r.key.z << ", " << r.key.sourceIntensity << ") lost=" << r.lost << " remainder=" << r.remainder
              << " absorbed=" << r.absorbed << " path=" << r.pathLength << "}";
}

CResultList::~CResultList() {
    for (auto& column : columns_)
        for (auto& block : column) std::free(block.load(std::memory_order_relaxed));
    for (auto& block : keys_) std::free(block.load(std::memory_order_relaxed));
}

CResultRecord CResultList::operator[](uint32_t index) const {
    CResultRecord record;
    record.kind = kind_.load(std::memory_order_relaxed);
    record.index = static_cast<int32_t>(index);
    record.key = Key(index);
    record.lost = Lost(index);
    record.remainder = Remainder(index);
    record.absorbed = Absorbed(index);
    record.pathLength = PathLength(index);
    return record;
}

CResultKey CResultList::Key(uint32_t index) const {
    if (const CResultList* owner = keyOwner_.load(std::memory_order_acquire)) return owner->Key(index);
    const int block = BlockOf(index);
    const CResultKey* keys = keys_[block].load(std::memory_order_acquire);
    if (!keys) return {};
    const CResultKey& key = keys[index - BlockStart(block)];
    using R = CResultRecord;
    return {R::Load(key.wavelength), R::Load(key.azimuth), R::Load(key.declination), R::Load(key.x),
            R::Load(key.y),          R::Load(key.z),       R::Load(key.sourceIntensity)};
}

bool CResultList::TalliesAreFinite() const {
    const uint32_t size = GetSize();
    for (int shown : {Lost_, Remainder_, Absorbed_}) {
        const auto& column = columns_[shown];
        for (int block = 0; block < Blocks && BlockStart(block) < size; ++block) {
            const double* values = column[block].load(std::memory_order_acquire);
            if (!values) break;
            const uint32_t count = std::min<uint32_t>(static_cast<uint32_t>(BlockSize(block)), size - BlockStart(block));
            for (uint32_t k = 0; k < count; ++k)
                if (!std::isfinite(CResultRecord::Load(values[k]))) return false;
        }
    }
    return true;
}

void CResultList::Grow(uint32_t count) {
    const bool ownKeys = keyOwner_.load(std::memory_order_relaxed) == nullptr;
    while (BlockStart(blocks_) < count) {
        if (blocks_ == Blocks) throw std::bad_alloc();
        // Every block of this round is allocated before any is published: a failure leaves the list as
        // it was.
        CResultKey* keys = ownKeys && !keys_[blocks_].load(std::memory_order_relaxed)
                               ? AllocateZeroed<CResultKey>(BlockSize(blocks_))
                               : nullptr;
        std::array<double*, Columns> made{};
        try {
            for (int c = 0; c < Columns; ++c)
                if (columns_[c][0].load(std::memory_order_relaxed) && !columns_[c][blocks_].load(std::memory_order_relaxed))
                    made[c] = AllocateZeroed<double>(BlockSize(blocks_));
        } catch (const std::bad_alloc&) {
            for (double* block : made) std::free(block);
            std::free(keys);
            throw;
        }
        if (keys) keys_[blocks_].store(keys, std::memory_order_release);
        for (int c = 0; c < Columns; ++c)
            if (made[c]) columns_[c][blocks_].store(made[c], std::memory_order_release);
        ++blocks_;
    }
}

void CResultList::Reserve(uint32_t count) { Grow(count); }

double* CResultList::MakeColumn(int column, uint32_t index) {
    for (int block = 0; block < blocks_; ++block)
        if (!columns_[column][block].load(std::memory_order_relaxed))
            columns_[column][block].store(AllocateZeroed<double>(BlockSize(block)), std::memory_order_release);
    return Cell(column, index);
}

void CResultList::ZeroTallies(uint32_t from, uint32_t to) {
    for (int c = 0; c < Columns; ++c) {
        if (!columns_[c][0].load(std::memory_order_relaxed)) continue;
        // A reader holding a size from before the last Clear() may be reading these values.
        for (uint32_t index = from; index < to; ++index) CResultRecord::Store(*Cell(c, index), 0);
    }
}

uint32_t CResultList::Append(int32_t kind, const CResultKey& key) {
    const uint32_t index = size_.load(std::memory_order_relaxed);
    keyOwner_.store(nullptr, std::memory_order_relaxed);
    Grow(index + 1);
    const int block = BlockOf(index);
    CResultKey* keys = keys_[block].load(std::memory_order_relaxed);
    if (!keys) {
        // The list shared another's keys before: it owns its keys from now on.
        keys = AllocateZeroed<CResultKey>(BlockSize(block));
        keys_[block].store(keys, std::memory_order_release);
    }
    CResultKey& slot = keys[index - BlockStart(block)];
    for (auto [field, value] : {std::pair{&CResultKey::wavelength, key.wavelength},
                                {&CResultKey::azimuth, key.azimuth},
                                {&CResultKey::declination, key.declination},
                                {&CResultKey::x, key.x},
                                {&CResultKey::y, key.y},
                                {&CResultKey::z, key.z},
                                {&CResultKey::sourceIntensity, key.sourceIntensity}})
        CResultRecord::Store(slot.*field, value);
    kind_.store(kind, std::memory_order_relaxed);
    ZeroTallies(index, index + 1);
    size_.store(index + 1, std::memory_order_release);
    return index;
}

void CResultList::AppendSharingKeys(int32_t kind, const CResultList& keys, uint32_t count) {
    keyOwner_.store(&keys, std::memory_order_release);
    kind_.store(kind, std::memory_order_relaxed);
    const uint32_t size = size_.load(std::memory_order_relaxed);
    if (count <= size) return;
    Grow(count);
    ZeroTallies(size, count);
    size_.store(count, std::memory_order_release);
}

}  // namespace brelix
