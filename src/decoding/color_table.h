#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace pq {

// One palette entry. Components range over 0..65535; `value` is carried along and never
// consulted (pixel values index the table by position).
struct ColorSpec {
    std::int64_t value = 0;
    std::int64_t red = 0;
    std::int64_t green = 0;
    std::int64_t blue = 0;
    friend bool operator==(const ColorSpec&, const ColorSpec&) = default;
};

struct ColorTable {
    std::int64_t ctSeed = 0;
    std::int64_t ctFlags = 0;
    std::int64_t ctSize = 0; // number of entries minus one
    std::vector<ColorSpec> ctTable;
    friend bool operator==(const ColorTable&, const ColorTable&) = default;
};

// Reads a palette byte image: a big-endian header (seed u32, flags u16, size u16) followed
// by ctSize + 1 entries of four big-endian u16 (value, red, green, blue). Fields that lie
// past the end of the image read as 0, so a short or empty image never reads out of bounds.
ColorTable parseColorTable(std::span<const std::uint8_t> image);

// The built-in palette byte images, built once on first use (thread-safe).
const std::vector<std::uint8_t>& colorTable4Bit();
const std::vector<std::uint8_t>& colorTable8Bit();

} // namespace pq
