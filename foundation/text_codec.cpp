#include "foundation/text_codec.h"

#include <array>
#include <cstdint>
#include <vector>

namespace {

// A fixed scramble of the digits, the letters, '@' and '_'. Never change it.
constexpr char kAlphabet[] = "rvHK1BXYJMPGtiS0cydC63UpxObVEsQjDeFoIZf_Rz84lLug@7A5nq2WTkawNh9m";
static_assert(sizeof kAlphabet == 65);

constexpr char kFirstCode = '0';
constexpr int kDecodeEntries = 'z' - '0' + 1;  // 75
constexpr int kLineLength = 77;

constexpr std::array<std::int8_t, kDecodeEntries> MakeDecodeTable() {
    std::array<std::int8_t, kDecodeEntries> table{};
    for (auto& entry : table) {
        entry = -1;
    }
    for (int i = 0; i < 64; ++i) {
        table[kAlphabet[i] - kFirstCode] = static_cast<std::int8_t>(i);
    }
    return table;
}

constexpr auto kDecodeTable = MakeDecodeTable();

constexpr bool AlphabetIsSound() {
    for (int i = 0; i < 64; ++i) {
        char c = kAlphabet[i];
        if (c < kFirstCode || c > 'z' || c == '=' || kDecodeTable[c - kFirstCode] != i) {
            return false;  // out of range, the terminator, or a duplicate
        }
    }
    return true;
}
static_assert(AlphabetIsSound());

}  // namespace

const char* TextCodec::Alphabet() {
    return kAlphabet;
}

std::string TextCodec::Encode(const ByteBuffer& data) {
    std::string text;
    int length = data.Size();
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.At(0));
    std::uint32_t bits = 0;
    int pending = 0;
    int position = 0;
    int lineCount = 0;
    while (position < length || pending > 0) {
        if (pending <= 5 && position < length) {
            bits |= std::uint32_t{bytes[position++]} << pending;
            pending += 8;
        }
        text += kAlphabet[bits & 0x3F];
        bits >>= 6;
        pending = pending > 6 ? pending - 6 : 0;
        if (++lineCount == kLineLength) {
            text += '\n';
            lineCount = 0;
        }
    }
    text += '=';
    return text;
}

std::unique_ptr<ByteBuffer> TextCodec::Decode(const std::string& text) {
    std::vector<char> bytes;
    std::uint32_t bits = 0;
    int pending = 0;
    for (char c : text) {
        int index = c - kFirstCode;
        if (index < 0 || index >= kDecodeEntries || kDecodeTable[index] < 0) {
            continue;
        }
        bits |= static_cast<std::uint32_t>(kDecodeTable[index]) << pending;
        pending += 6;
        if (pending > 7) {
            bytes.push_back(static_cast<char>(bits & 0xFF));
            bits >>= 8;
            pending -= 8;
        }
    }
    if (pending > 0) {
        bytes.push_back(static_cast<char>(bits & 0xFF));
    }
    return std::make_unique<ByteBuffer>(bytes.data(), static_cast<int>(bytes.size()));
}
