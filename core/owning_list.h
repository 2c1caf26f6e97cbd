#pragma once

#include <cstdint>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

namespace brelix {

// An ordered list that owns its elements and keeps a current index beside them. Every list of the model
// (layers, planes, batches, spectrum points, optical table rows) is one of these, so the insertion and
// removal rules live in one place:
//  - InsertAfterCurrent puts a new element after the current one and makes it current (on an empty list
//    it is appended and current stays 0);
//  - RemoveAt clamps the current index to the new last element (0 when empty);
//  - GetAt returns null for an index outside the list instead of reading past it.
// Elements are held by pointer so their addresses stay valid while the list changes around them.
template <class T>
class COwningList {
public:
    COwningList() = default;
    COwningList(const COwningList&) = delete;
    COwningList& operator=(const COwningList&) = delete;

    uint32_t GetCount() const { return static_cast<uint32_t>(items_.size()); }
    bool IsEmpty() const { return items_.empty(); }
    uint32_t GetCurrent() const { return current_; }
    void SetCurrent(uint32_t index) { current_ = index; }

    T* GetAt(uint32_t index) { return index < items_.size() ? items_[index].get() : nullptr; }
    const T* GetAt(uint32_t index) const { return index < items_.size() ? items_[index].get() : nullptr; }
    T& operator[](uint32_t index) { return *items_[index]; }
    const T& operator[](uint32_t index) const { return *items_[index]; }

    // The position of an element of this list, or -1 when it is not one of them.
    int64_t IndexOf(const T* element) const {
        for (size_t i = 0; i < items_.size(); ++i)
            if (items_[i].get() == element) return static_cast<int64_t>(i);
        return -1;
    }

    T& InsertAfterCurrent() {
        if (items_.empty()) {
            current_ = 0;
            return Append(std::make_unique<T>(), false);
        }
        uint32_t at = current_ + 1 < items_.size() ? current_ + 1 : GetCount();
        T& element = InsertAt(at);
        current_ = at;
        return element;
    }

    T& Append() { return Append(std::make_unique<T>(), true); }

    // Inserts a default element at a position (clamped to the end); the current index is not changed.
    T& InsertAt(uint32_t index) {
        if (index > items_.size()) index = GetCount();
        return **items_.insert(items_.begin() + index, std::make_unique<T>());
    }

    void RemoveAt(uint32_t index) {
        if (index >= items_.size()) return;
        items_.erase(items_.begin() + index);
        if (current_ >= items_.size()) current_ = items_.empty() ? 0 : GetCount() - 1;
    }

    // Deletes every element, last first. The current index is left as it was.
    void RemoveAll() {
        while (!items_.empty()) items_.pop_back();
    }

    // Exchanges the elements and current indices of two lists.
    void Swap(COwningList& other) {
        items_.swap(other.items_);
        std::swap(current_, other.current_);
    }

    // Iteration over the elements themselves.
    template <class Element, class Base>
    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Element;
        using difference_type = std::ptrdiff_t;
        using pointer = Element*;
        using reference = Element&;
        Iterator() = default;
        explicit Iterator(Base it) : it_(it) {}
        Element& operator*() const { return **it_; }
        Element* operator->() const { return it_->get(); }
        Iterator& operator++() {
            ++it_;
            return *this;
        }
        Iterator operator++(int) { return Iterator(it_++); }
        bool operator==(const Iterator& other) const { return it_ == other.it_; }

    private:
        Base it_{};
    };
    using iterator = Iterator<T, typename std::vector<std::unique_ptr<T>>::iterator>;
    using const_iterator = Iterator<const T, typename std::vector<std::unique_ptr<T>>::const_iterator>;
    iterator begin() { return iterator(items_.begin()); }
    iterator end() { return iterator(items_.end()); }
    const_iterator begin() const { return const_iterator(items_.begin()); }
    const_iterator end() const { return const_iterator(items_.end()); }

private:
    T& Append(std::unique_ptr<T> element, bool makeCurrent) {
        items_.push_back(std::move(element));
        if (makeCurrent) current_ = GetCount() - 1;
        return *items_.back();
    }

    std::vector<std::unique_ptr<T>> items_;
    uint32_t current_ = 0;
};

}  // namespace brelix
