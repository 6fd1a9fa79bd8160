#pragma once

#include <cstdint>
#include <string>

// An RGB colour packed as 0x00RRGGBB, the form the settings store.
class Colour {
public:
    Colour() = default;
    Colour(std::uint8_t red, std::uint8_t green, std::uint8_t blue) { Set(red, green, blue); }

    void Set(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
        packed_ = (std::uint32_t{red} << 16) | (std::uint32_t{green} << 8) | blue;
    }
    void SetPacked(std::uint32_t packed) { packed_ = packed; }
    std::uint32_t GetPacked() const { return packed_; }

    std::uint8_t Red() const { return (packed_ >> 16) & 0xFF; }
    std::uint8_t Green() const { return (packed_ >> 8) & 0xFF; }
    std::uint8_t Blue() const { return packed_ & 0xFF; }

    bool operator==(const Colour& other) const { return packed_ == other.packed_; }
    bool operator!=(const Colour& other) const { return packed_ != other.packed_; }

    // Six lower-case hex digits, "rrggbb".
    std::string ToHex() const;
    // Reads the text as a hexadecimal number; text that is not hex gives black.
    void SetHex(const char* text);

private:
    std::uint32_t packed_ = 0;
};
