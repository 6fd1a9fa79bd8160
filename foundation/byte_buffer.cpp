#include "foundation/byte_buffer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {
constexpr int kDefaultGrowStep = 20;
}

ByteBuffer::ByteBuffer() : ByteBuffer(kDefaultGrowStep) {}

ByteBuffer::ByteBuffer(int size)
    : growStep_(std::max(size, 0)), size_(std::max(size, 1)), capacity_(size_) {
    data_ = std::make_unique<char[]>(static_cast<size_t>(capacity_));  // zero-filled
}

ByteBuffer::ByteBuffer(const void* data, int length)
    : growStep_(kDefaultGrowStep), size_(std::max(length, 0)), capacity_(size_) {
    data_ = std::make_unique<char[]>(static_cast<size_t>(capacity_));
    if (size_ > 0) {
        std::memcpy(data_.get(), data, static_cast<size_t>(size_));
    }
}

ByteBuffer::ByteBuffer(const ByteBuffer& other) : ByteBuffer(other.data_.get(), other.size_) {}

ByteBuffer& ByteBuffer::operator=(const ByteBuffer& other) {
    if (this != &other) {
        SetSize(other.size_);
        if (size_ > 0) {
            std::memcpy(data_.get(), other.data_.get(), static_cast<size_t>(size_));
        }
    }
    return *this;
}

ByteBuffer::~ByteBuffer() = default;

void ByteBuffer::SetSize(int newSize) {
    newSize = std::max(newSize, 0);
    if (newSize > capacity_) {
        int newCapacity = growStep_ + newSize;
        auto block = std::make_unique<char[]>(static_cast<size_t>(newCapacity));
        if (size_ > 0) {
            std::memcpy(block.get(), data_.get(), static_cast<size_t>(size_));
        }
        data_ = std::move(block);
        capacity_ = newCapacity;
    }
    size_ = newSize;
}

bool ByteBuffer::SaveToFile(const std::string& path) const {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    size_t written = size_ > 0 ? std::fwrite(data_.get(), 1, static_cast<size_t>(size_), file) : 0;
    bool closed = std::fclose(file) == 0;
    return closed && written == static_cast<size_t>(size_);
}

std::string ByteBuffer::ToString() const {
    return std::string(data_.get(), static_cast<size_t>(size_));
}
