#pragma once

#include <algorithm>
#include <cassert>
#include <vector>

// A growable array of unowned pointers of one type, which can also delete its elements (the
// vector itself never does). At, RemoveAt and Swap are unchecked in release builds and assert
// their index otherwise. Copies are shallow.
template <typename T>
class UCPtrVectorT {
public:
    using iterator = typename std::vector<T*>::iterator;
    using const_iterator = typename std::vector<T*>::const_iterator;

    // The vector grows by its initial capacity whenever it is full (by half its size once that
    // is larger, so long lists stay linear to fill).
    explicit UCPtrVectorT(unsigned initialCapacity = 16)
        : growStep_(std::max(initialCapacity, 1u)) {
        items_.reserve(initialCapacity);
    }
    virtual ~UCPtrVectorT() = default;
    UCPtrVectorT(const UCPtrVectorT&) = default;
    // The version moves past both, so nothing built from either vector's old contents can
    // mistake this one for current.
    UCPtrVectorT& operator=(const UCPtrVectorT& other) {
        if (this != &other) {
            items_ = other.items_;
            growStep_ = other.growStep_;
            version_ = std::max(version_, other.version_) + 1;
        }
        return *this;
    }

    unsigned Count() const { return static_cast<unsigned>(items_.size()); }
    bool IsEmpty() const { return items_.empty(); }
    // Changes whenever the elements or their order may have changed, writable access included,
    // so a cache built from the vector knows when it is stale.
    unsigned long long Version() const { return version_; }

    T*& At(unsigned i) {
        assert(i < items_.size());
        ++version_;
        return items_[i];
    }
    T* At(unsigned i) const {
        assert(i < items_.size());
        return items_[i];
    }
    // Null when i is past the end (a negative index converts to a large one).
    T* Get(unsigned i) const { return i < items_.size() ? items_[i] : nullptr; }

    void Append(T* element) {
        ++version_;
        MakeRoom();
        items_.push_back(element);
    }
    // False, and nothing changes, when index > Count(); index == Count() appends.
    bool Insert(T* element, unsigned index) {
        if (index > items_.size()) {
            return false;
        }
        ++version_;
        MakeRoom();
        items_.insert(items_.begin() + index, element);
        return true;
    }
    T* RemoveAt(unsigned i) {
        assert(i < items_.size());
        ++version_;
        T* element = items_[i];
        items_.erase(items_.begin() + i);
        return element;
    }
    // Null when empty.
    T* Pop() {
        if (items_.empty()) {
            return nullptr;
        }
        ++version_;
        T* element = items_.back();
        items_.pop_back();
        return element;
    }
    // Keeps the allocation; deletes nothing.
    void Clear() {
        ++version_;
        items_.clear();
    }
    // -1 when absent; compares pointer values only.
    int IndexOf(const T* element) const {
        for (size_t i = 0; i < items_.size(); ++i) {
            if (items_[i] == element) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
    void Swap(unsigned i, unsigned j) {
        assert(i < items_.size() && j < items_.size());
        ++version_;
        std::swap(items_[i], items_[j]);
    }
    // Deletes from the end, so an element's destructor still sees the ones before it.
    void DeleteAll() {
        while (!items_.empty()) {
            delete Pop();
        }
    }

    // The capacity to grow to when a vector of this capacity and step is full. A fixed step
    // alone makes filling a long list quadratic.
    static size_t GrownCapacity(size_t capacity, size_t step) {
        return capacity + std::max(std::max<size_t>(step, 1), capacity / 2);
    }

    iterator begin() {
        ++version_;
        return items_.begin();
    }
    iterator end() {
        ++version_;
        return items_.end();
    }
    const_iterator begin() const { return items_.begin(); }
    const_iterator end() const { return items_.end(); }

private:
    void MakeRoom() {
        if (items_.size() == items_.capacity()) {
            items_.reserve(GrownCapacity(items_.capacity(), growStep_));
        }
    }

    std::vector<T*> items_;
    unsigned growStep_;
    unsigned long long version_ = 0;
};

// The untyped vector, whose Swap sorted subclasses may override.
class UCPtrVector : public UCPtrVectorT<void> {
public:
    explicit UCPtrVector(unsigned initialCapacity = 16) : UCPtrVectorT<void>(initialCapacity) {}
    virtual void Swap(unsigned i, unsigned j) { UCPtrVectorT<void>::Swap(i, j); }

private:
    // Deleting through void* is undefined.
    using UCPtrVectorT<void>::DeleteAll;
};
