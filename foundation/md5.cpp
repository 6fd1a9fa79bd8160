#include "foundation/md5.h"

#include <cstdio>
#include <cstring>

#include "foundation/files.h"

namespace {

inline std::uint32_t RotateLeft(std::uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}

inline std::uint32_t F(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return (x & y) | (~x & z);
}
inline std::uint32_t G(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return (x & z) | (y & ~z);
}
inline std::uint32_t H(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return x ^ y ^ z;
}
inline std::uint32_t I(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return y ^ (x | ~z);
}

// Per-step additive constants: floor(abs(sin(i + 1)) * 2^32).
const std::uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

const int kShifts[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

std::string ToHex(const MD5::DigestBytes& digest) {
    static const char kHexDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(32);
    for (std::uint8_t byte : digest) {
        text += kHexDigits[byte >> 4];
        text += kHexDigits[byte & 0x0F];
    }
    return text;
}

}  // namespace

void MD5::Init() {
    state_[0] = 0x67452301;
    state_[1] = 0xefcdab89;
    state_[2] = 0x98badcfe;
    state_[3] = 0x10325476;
    bitCount_ = 0;
    std::memset(block_, 0, sizeof block_);
}

void MD5::Update(const void* data, unsigned length) {
    if (length == 0) {
        return;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    unsigned used = static_cast<unsigned>((bitCount_ >> 3) & 0x3F);
    bitCount_ += static_cast<std::uint64_t>(length) << 3;
    unsigned offset = 0;
    if (used > 0) {
        unsigned room = 64 - used;
        if (length < room) {
            std::memcpy(block_ + used, bytes, length);
            return;
        }
        std::memcpy(block_ + used, bytes, room);
        Transform(block_);
        offset = room;
    }
    for (; offset + 64 <= length; offset += 64) {
        Transform(bytes + offset);
    }
    if (offset < length) {
        std::memcpy(block_, bytes + offset, length - offset);
    }
}

const MD5::DigestBytes& MD5::Final() {
    std::uint8_t lengthBytes[8];
    for (int i = 0; i < 8; ++i) {
        lengthBytes[i] = static_cast<std::uint8_t>(bitCount_ >> (8 * i));
    }
    // Pad with a one bit and zeros to 56 bytes past a block boundary, then the bit length.
    static const std::uint8_t kPadding[64] = {0x80};
    unsigned used = static_cast<unsigned>((bitCount_ >> 3) & 0x3F);
    unsigned padLength = used < 56 ? 56 - used : 120 - used;
    Update(kPadding, padLength);
    Update(lengthBytes, 8);
    for (int i = 0; i < 4; ++i) {
        for (int b = 0; b < 4; ++b) {
            digest_[4 * i + b] = static_cast<std::uint8_t>(state_[i] >> (8 * b));
        }
    }
    Init();
    return digest_;
}

void MD5::Transform(const std::uint8_t block[64]) {
    std::uint32_t words[16];
    for (int i = 0; i < 16; ++i) {
        words[i] = std::uint32_t{block[4 * i]} | (std::uint32_t{block[4 * i + 1]} << 8) |
                   (std::uint32_t{block[4 * i + 2]} << 16) |
                   (std::uint32_t{block[4 * i + 3]} << 24);
    }
    std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    for (int step = 0; step < 64; ++step) {
        int round = step / 16;
        std::uint32_t mixed;
        int wordIndex;
        switch (round) {
            case 0:
                mixed = F(b, c, d);
                wordIndex = step;
                break;
            case 1:
                mixed = G(b, c, d);
                wordIndex = (5 * step + 1) % 16;
                break;
            case 2:
                mixed = H(b, c, d);
                wordIndex = (3 * step + 5) % 16;
                break;
            default:
                mixed = I(b, c, d);
                wordIndex = (7 * step) % 16;
                break;
        }
        std::uint32_t rotated =
            RotateLeft(a + mixed + words[wordIndex] + kSine[step], kShifts[round][step % 4]);
        a = d;
        d = c;
        c = b;
        b = b + rotated;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
}

const MD5::DigestBytes& MD5::Digest(const void* data, unsigned length) {
    Init();
    Update(data, length);
    return Final();
}

std::string MD5::HexDigest(const void* data, unsigned length) {
    return ToHex(Digest(data, length));
}

std::string MD5::LastHexDigest() const {
    return ToHex(digest_);
}

std::string MD5::FileHexDigest(const char* path) {
    if (path == nullptr) {
        return std::string();
    }
    // A FIFO would wait for a writer.
    std::FILE* file = OpenOrdinaryFile(path);
    if (file == nullptr) {
        return std::string();
    }
    Init();
    unsigned char chunk[1024];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        Update(chunk, static_cast<unsigned>(got));
    }
    // A read that failed part way (a folder, an I/O error) has no digest, not that of a part.
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        return std::string();
    }
    return ToHex(Final());
}
