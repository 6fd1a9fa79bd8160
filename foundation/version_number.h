#pragma once

#include <cstdint>
#include <string>

// A program version packed as major << 16 | minor << 8 | patch, so that two versions compare
// as plain integers. 0 means no version.
class VersionNumber {
public:
    VersionNumber() = default;
    explicit VersionNumber(std::uint32_t packed) : packed_(packed) {}
    // "3.10.2" with separator '.'; fewer than three fields give 0.
    VersionNumber(const char* text, char separator);

    std::uint32_t GetPacked() const { return packed_; }
    int Major() const { return (packed_ >> 16) & 0xFF; }
    int Minor() const { return (packed_ >> 8) & 0xFF; }
    int Patch() const { return packed_ & 0xFF; }

    std::string Format() const;

private:
    std::uint32_t packed_ = 0;
};
