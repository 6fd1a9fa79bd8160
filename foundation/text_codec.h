#pragma once

#include <memory>
#include <string>

#include "foundation/byte_buffer.h"

// The program's own 6-bit text encoding of bytes, used for the encoded time tokens of event
// files. Its alphabet is part of the file format: changing it makes older files unreadable.
class TextCodec {
public:
    // Six bits a character, least significant bits first, a LF after every 77 characters and
    // one '=' at the end.
    static std::string Encode(const ByteBuffer& data);
    // Skips every character outside the alphabet. Leftover bits at the end make one more byte,
    // so the result may be one byte longer than what was encoded.
    static std::unique_ptr<ByteBuffer> Decode(const std::string& text);

    // The 64 characters, indexed by 6-bit value.
    static const char* Alphabet();
};
