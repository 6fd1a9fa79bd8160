#pragma once

#include <memory>
#include <string>

// A growable block of bytes. It grows by a fixed step beyond the requested size and never
// shrinks its allocation, so repeated small appends stay cheap.
class ByteBuffer {
public:
    ByteBuffer();
    // A request for 0 bytes still gives one zero byte.
    explicit ByteBuffer(int size);
    ByteBuffer(const void* data, int length);
    ByteBuffer(const ByteBuffer& other);
    ByteBuffer& operator=(const ByteBuffer& other);
    ~ByteBuffer();

    int Size() const { return size_; }
    int Capacity() const { return capacity_; }

    // Unchecked: the caller keeps index within the size.
    char* At(int index) { return data_.get() + index; }
    const char* At(int index) const { return data_.get() + index; }

    // A negative size counts as 0. Growing keeps the bytes in use; shrinking frees nothing.
    void SetSize(int newSize);

    // False when the file cannot be opened or not every byte reached it.
    bool SaveToFile(const std::string& path) const;

    // Exactly Size() characters, embedded zero bytes included.
    std::string ToString() const;

private:
    std::unique_ptr<char[]> data_;
    int growStep_;
    int size_;
    int capacity_;
};
