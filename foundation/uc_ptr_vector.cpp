#include "foundation/uc_ptr_vector.h"

UCPtrVector::UCPtrVector(unsigned initialCapacity) : growStep_(std::max(initialCapacity, 1u)) {
    items_.reserve(initialCapacity);
}

UCPtrVector::~UCPtrVector() = default;

size_t UCPtrVector::GrownCapacity(size_t capacity, size_t step) {
    // A fixed step alone makes filling a long list quadratic.
    return capacity + std::max(std::max<size_t>(step, 1), capacity / 2);
}

void UCPtrVector::MakeRoom() {
    if (items_.size() == items_.capacity()) {
        items_.reserve(GrownCapacity(items_.capacity(), growStep_));
    }
}

void UCPtrVector::Append(void* element) {
    MakeRoom();
    items_.push_back(element);
}

bool UCPtrVector::Insert(void* element, unsigned index) {
    if (index > items_.size()) {
        return false;
    }
    MakeRoom();
    items_.insert(items_.begin() + index, element);
    return true;
}

void* UCPtrVector::RemoveAt(unsigned i) {
    assert(i < items_.size());
    void* element = items_[i];
    items_.erase(items_.begin() + i);
    return element;
}

void* UCPtrVector::Pop() {
    if (items_.empty()) {
        return nullptr;
    }
    void* element = items_.back();
    items_.pop_back();
    return element;
}

int UCPtrVector::IndexOf(const void* element) const {
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i] == element) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void UCPtrVector::Swap(unsigned i, unsigned j) {
    assert(i < items_.size() && j < items_.size());
    std::swap(items_[i], items_[j]);
}
