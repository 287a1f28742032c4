#pragma once
// Byte helpers of the journal image: packed BCD and little-endian words.
#include <cstddef>
#include <cstdint>
#include <span>

namespace vorsan::image {

// A BCD byte is ten times its high nibble plus its low nibble; nibbles above 9 are taken as they
// are (0xFF reads 165), so impossible values fail the later date checks instead of wrapping.
constexpr std::uint8_t fromBcd(std::uint8_t b) {
    return static_cast<std::uint8_t>((b >> 4) * 10 + (b & 0x0F));
}

// Tens in the high nibble, units in the low one; values above 99 keep their tens digit in the
// high nibble as far as it fits (100 -> 0xA0, which reads back as 100).
constexpr std::uint8_t toBcd(unsigned v) {
    return static_cast<std::uint8_t>((((v / 10) & 0x0F) << 4) | (v % 10));
}

inline std::uint16_t le16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

inline void putLe16(std::span<std::uint8_t> bytes, std::size_t at, std::uint16_t v) {
    bytes[at] = static_cast<std::uint8_t>(v & 0xFF);
    bytes[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

} // namespace vorsan::image
