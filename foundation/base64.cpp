#include "foundation/base64.h"

#include <cstdint>
#include <vector>

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const int kLineLength = 76;

int AlphabetIndex(unsigned char c) {
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    if (c == '+') {
        return 62;
    }
    if (c == '/') {
        return 63;
    }
    return -1;
}

}  // namespace

std::string Base64::Encode(const void* data, int length) {
    std::string text;
    if (data == nullptr || length <= 0) {
        return text;
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    text.reserve(length / 3 * 4 + length / 57 + 4);
    std::uint32_t bits = 0;
    int pending = 0;
    int lineCount = 0;
    auto put = [&](unsigned index) {
        text += kAlphabet[index & 0x3F];
        if (++lineCount == kLineLength) {
            text += '\n';
            lineCount = 0;
        }
    };
    for (int i = 0; i < length; ++i) {
        bits = (bits << 8) | bytes[i];
        pending += 8;
        while (pending >= 6) {
            pending -= 6;
            put(bits >> pending);
        }
        bits &= (1u << pending) - 1;
    }
    if (pending > 0) {
        put(bits << (6 - pending));
    }
    if (length % 3 == 1) {
        text += "==";
    } else if (length % 3 == 2) {
        text += '=';
    }
    return text;
}

std::string Base64::Encode(const ByteBuffer* data) {
    if (data == nullptr) {
        return std::string();
    }
    return Encode(data->At(0), data->Size());
}

std::unique_ptr<ByteBuffer> Base64::Decode(const char* text, int length) {
    std::vector<char> bytes;
    std::uint32_t bits = 0;
    int pending = 0;
    for (int i = 0; text != nullptr && i < length && text[i] != '\0'; ++i) {
        int index = AlphabetIndex(static_cast<unsigned char>(text[i]));
        if (index < 0) {
            continue;
        }
        bits = (bits << 6) | static_cast<std::uint32_t>(index);
        pending += 6;
        if (pending >= 8) {
            pending -= 8;
            bytes.push_back(static_cast<char>((bits >> pending) & 0xFF));
            bits &= (1u << pending) - 1;
        }
    }
    return std::make_unique<ByteBuffer>(bytes.data(), static_cast<int>(bytes.size()));
}
