// Feeds arbitrary bytes to the token reader, from a string and from a buffer, until the end.
#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/byte_buffer.h"
#include "foundation/tokeniser.h"
#include "foundation/uc_error.h"

namespace {

void ReadEverything(Tokeniser& reader, size_t limit) {
    std::string text;
    // Every token consumes at least one byte, so the input's size bounds the loop.
    for (size_t i = 0; i <= limit + 1; ++i) {
        const TokenKind kind = reader.NextToken(text);
        if (kind == TokenEnd) {
            return;
        }
        if (kind == TokenWord && i % 7 == 0) {
            reader.PushBack(kind, text);
        }
    }
    __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    UCStringError quiet;
    const std::string input(reinterpret_cast<const char*>(data), size);
    {
        Tokeniser reader;
        reader.SetText(input);
        ReadEverything(reader, 2 * size);
    }
    if (size > 0) {
        ByteBuffer buffer(data, static_cast<int>(size));
        Tokeniser reader;
        reader.SetBuffer(&buffer);
        ReadEverything(reader, 2 * size);
    }
    quiet.GetText();
    return 0;
}
