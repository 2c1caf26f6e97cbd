#include "core/result_list.h"

#include <ostream>

namespace brelix {

std::ostream& operator<<(std::ostream& os, const CResultRecord& r) {
    return os << "CResultRecord{kind=" << r.kind << " index=" << r.index << " key=(" << r.key.wavelength << ", "
              << r.key.azimuth << ", " << r.key.declination << ", " << r.key.x << ", " << r.key.y << ", "
              << r.key.z << ", " << r.key.sourceIntensity << ") lost=" << CResultRecord::Load(r.lost)
              << " remainder=" << CResultRecord::Load(r.remainder)
              << " absorbed=" << CResultRecord::Load(r.absorbed)
              << " path=" << CResultRecord::Load(r.pathLength) << "}";
}

CResultRecord CResultRecord::Snapshot() const {
    CResultRecord copy;
    copy.kind = std::atomic_ref<const int32_t>(kind).load(std::memory_order_relaxed);
    copy.index = std::atomic_ref<const int32_t>(index).load(std::memory_order_relaxed);
    copy.key = {Load(key.wavelength), Load(key.azimuth), Load(key.declination), Load(key.x),
                Load(key.y),          Load(key.z),       Load(key.sourceIntensity)};
    copy.lost = Load(lost);
    copy.remainder = Load(remainder);
    copy.reserved = Load(reserved);
    copy.absorbed = Load(absorbed);
    copy.pathLength = Load(pathLength);
    return copy;
}

CResultList::~CResultList() {
    for (auto& block : blocks_) delete[] block.load(std::memory_order_relaxed);
}

uint32_t CResultList::Append(int32_t kind, const CResultKey& key) {
    const uint32_t index = size_.load(std::memory_order_relaxed);
    const int block = BlockOf(index);
    if (blocks_[block].load(std::memory_order_relaxed) == nullptr)
        blocks_[block].store(new CResultRecord[size_t{FirstBlock} << block], std::memory_order_release);
    CResultRecord& record = *Slot(index);
    // A reader holding a size from before the last Clear() may be reading this slot.
    std::atomic_ref<int32_t>(record.kind).store(kind, std::memory_order_relaxed);
    std::atomic_ref<int32_t>(record.index).store(static_cast<int32_t>(index), std::memory_order_relaxed);
    for (auto [field, value] : {std::pair{&CResultKey::wavelength, key.wavelength},
                                {&CResultKey::azimuth, key.azimuth},
                                {&CResultKey::declination, key.declination},
                                {&CResultKey::x, key.x},
                                {&CResultKey::y, key.y},
                                {&CResultKey::z, key.z},
                                {&CResultKey::sourceIntensity, key.sourceIntensity}})
        CResultRecord::Store(record.key.*field, value);
    for (double CResultRecord::*tally : {&CResultRecord::lost, &CResultRecord::remainder, &CResultRecord::reserved,
                                         &CResultRecord::absorbed, &CResultRecord::pathLength})
        CResultRecord::Store(record.*tally, 0);
    size_.store(index + 1, std::memory_order_release);
    return index;
}

}  // namespace brelix
