#pragma once

#include <atomic>

namespace brelix {

// A plain field that the user interface may write while the trace worker reads it (a source offset, the
// "Draw on Raytrace" switch), or the other way round (a varies flag). Both sides go through these, so
// each access is whole and no data race arises; the field itself stays a plain value for the document
// format and copies.
template <class T>
T LoadShared(const T& value) {
    return std::atomic_ref<const T>(value).load(std::memory_order_relaxed);
}

template <class T>
void StoreShared(T& value, T newValue) {
    std::atomic_ref<T>(value).store(newValue, std::memory_order_relaxed);
}

}  // namespace brelix
