#pragma once

#include <array>
#include <cstdint>
#include <string>

// MD5 digests (RFC 1321): calendar identifiers, the check line of saved event files and e-mail
// boundaries. Not for security. The object keeps the digest of its last computation.
class MD5 {
public:
    using DigestBytes = std::array<std::uint8_t, 16>;

    MD5() { Init(); }

    void Init();
    void Update(const void* data, unsigned length);
    // Finishes the running computation, keeps its digest and starts afresh.
    const DigestBytes& Final();

    const DigestBytes& Digest(const void* data, unsigned length);
    // 32 lower-case hex digits.
    std::string HexDigest(const void* data, unsigned length);
    std::string HexDigest(const std::string& data) {
        return HexDigest(data.data(), static_cast<unsigned>(data.size()));
    }
    // The digest of a file's bytes; empty when the file cannot be opened or read to its end.
    std::string FileHexDigest(const char* path);

    const DigestBytes& LastDigest() const { return digest_; }
    std::string LastHexDigest() const;

private:
    void Transform(const std::uint8_t block[64]);

    std::uint32_t state_[4];
    std::uint64_t bitCount_;
    std::uint8_t block_[64];
    DigestBytes digest_{};
};
