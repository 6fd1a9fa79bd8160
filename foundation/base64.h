#pragma once

#include <memory>
#include <string>

#include "foundation/byte_buffer.h"
#include "foundation/string_slice.h"

// Base64 (RFC 4648) as e-mail attachments need it: lines of 76 characters ended by a bare LF.
class Base64 {
public:
    static std::string Encode(const void* data, int length);
    static std::string Encode(const std::string& data) {
        return Encode(data.data(), static_cast<int>(data.size()));
    }
    // The bytes before the NUL; said outright, so a C string picks no other form.
    static std::string Encode(const char* text) { return Encode(StringSlice(text)); }
    // A null buffer gives the empty text.
    static std::string Encode(const ByteBuffer* data);
    // Attachments hand over their bytes as a slice, which need not end in a NUL.
    static std::string Encode(const StringSlice& data) {
        return Encode(data.Data(), static_cast<int>(data.Length()));
    }

    // Reads up to length characters or to a NUL, skipping everything outside the alphabet
    // (line breaks, blanks, padding); bits short of a whole byte at the end are dropped.
    static std::unique_ptr<ByteBuffer> Decode(const char* text, int length);
    static std::unique_ptr<ByteBuffer> Decode(const std::string& text) {
        return Decode(text.c_str(), static_cast<int>(text.size()));
    }
    static std::unique_ptr<ByteBuffer> Decode(const ByteBuffer& text) {
        return Decode(text.At(0), text.Size());
    }
};
