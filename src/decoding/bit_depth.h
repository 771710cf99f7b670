#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace pq {

// Bits per pixel of an icon. The raw value is the number of bits.
enum class BitDepth : std::int64_t { _1bit = 1, _4bit = 4, _8bit = 8 };

// Pixels per side of a square icon. The raw value is the number of pixels.
enum class Dimensions : std::int64_t { _32x32 = 32, _16x16 = 16 };

inline constexpr std::array<BitDepth, 3> allBitDepths{BitDepth::_1bit, BitDepth::_4bit, BitDepth::_8bit};
inline constexpr std::array<Dimensions, 2> allDimensions{Dimensions::_32x32, Dimensions::_16x16};

constexpr std::int64_t rawValue(BitDepth d) { return static_cast<std::int64_t>(d); }
constexpr std::int64_t rawValue(Dimensions d) { return static_cast<std::int64_t>(d); }

// Accepts exactly 1, 4 and 8; any other integer gives no value.
std::optional<BitDepth> bitDepthFromRaw(std::int64_t raw);
// Accepts exactly 32 and 16; any other integer gives no value.
std::optional<Dimensions> dimensionsFromRaw(std::int64_t raw);

// Titles shown in the browser's popups.
std::string_view title(BitDepth d);
std::string_view title(Dimensions d);

} // namespace pq
