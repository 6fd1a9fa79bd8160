#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

// Image files written by the tests themselves, so that no image tool is needed.

// A PNG of one colour, its pixel data stored without compression.
inline std::string SolidPng(int width, int height, uint8_t red, uint8_t green, uint8_t blue) {
    auto crc = [](const std::string& bytes) {
        uint32_t c = 0xFFFFFFFFu;
        for (unsigned char b : bytes) {
            c ^= b;
            for (int k = 0; k < 8; ++k) {
                c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
            }
        }
        return ~c;
    };
    auto be32 = [](uint32_t v) {
        return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16),
                           static_cast<char>(v >> 8), static_cast<char>(v)};
    };
    auto chunk = [&](const std::string& type, const std::string& data) {
        return be32(static_cast<uint32_t>(data.size())) + type + data + be32(crc(type + data));
    };
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw += '\0';
        for (int x = 0; x < width; ++x) {
            raw += static_cast<char>(red);
            raw += static_cast<char>(green);
            raw += static_cast<char>(blue);
        }
    }
    std::string deflate = "\x78\x01";
    for (size_t at = 0; at < raw.size(); at += 65535) {
        const size_t length = std::min<size_t>(65535, raw.size() - at);
        deflate += static_cast<char>(at + length == raw.size() ? 1 : 0);
        deflate += static_cast<char>(length & 0xFF);
        deflate += static_cast<char>(length >> 8);
        deflate += static_cast<char>(~length & 0xFF);
        deflate += static_cast<char>((~length >> 8) & 0xFF);
        deflate += raw.substr(at, length);
    }
    uint32_t a = 1;
    uint32_t b = 0;
    for (unsigned char byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    deflate += be32((b << 16) | a);
    const std::string header = be32(static_cast<uint32_t>(width)) +
                               be32(static_cast<uint32_t>(height)) +
                               std::string("\x08\x02\0\0\0", 5);
    return std::string("\x89PNG\r\n\x1a\n") + chunk("IHDR", header) + chunk("IDAT", deflate) +
           chunk("IEND", "");
}

// An 8 x 8 blue JPEG.
inline std::string TinyJpeg() {
    static const char bytes[] =
        "\xff\xd8\xff\xe0\x00\x10\x4a\x46\x49\x46\x00\x01\x01\x00\x00\x01\x00\x01"
        "\x00\x00\xff\xdb\x00\x43\x00\x10\x0b\x0c\x0e\x0c\x0a\x10\x0e\x0d\x0e\x12"
        "\x11\x10\x13\x18\x28\x1a\x18\x16\x16\x18\x31\x23\x25\x1d\x28\x3a\x33\x3d"
        "\x3c\x39\x33\x38\x37\x40\x48\x5c\x4e\x40\x44\x57\x45\x37\x38\x50\x6d\x51"
        "\x57\x5f\x62\x67\x68\x67\x3e\x4d\x71\x79\x70\x64\x78\x5c\x65\x67\x63\xff"
        "\xdb\x00\x43\x01\x11\x12\x12\x18\x15\x18\x2f\x1a\x1a\x2f\x63\x42\x38\x42"
        "\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63"
        "\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63"
        "\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\xff\xc0\x00\x11"
        "\x08\x00\x08\x00\x08\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01\xff\xc4\x00"
        "\x15\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
        "\x00\x06\xff\xc4\x00\x14\x10\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
        "\x00\x00\x00\x00\x00\x00\xff\xc4\x00\x15\x01\x01\x01\x00\x00\x00\x00\x00"
        "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x04\x06\xff\xc4\x00\x14\x11\x01\x00"
        "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xff\xda\x00"
        "\x0c\x03\x01\x00\x02\x11\x03\x11\x00\x3f\x00\x8d\x01\x78\x2b\xff\xd9";
    return std::string(bytes, sizeof bytes - 1);
}
