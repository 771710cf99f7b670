#pragma once

#include "sample_image.h"

#include <cstdint>
#include <vector>

namespace pq::sample {

// Filler for the icon finder's tests and benchmark, in pieces of 2 to 32 KiB: random bytes,
// zeros, 0xFF runs, text, repeated records, deflate-compressed text and records, and sparse
// tables of small numbers. Deterministic for a seed; fast enough for a gigabyte.
std::vector<std::uint8_t> makeMixedFiller(std::size_t size, std::uint32_t seed);

// Mixed filler with `count` 1-bit icons with masks planted at random offsets, no two within
// 64 bytes of each other: every 1-bit design at both sizes, some mirrored, some preceded by a
// big-endian length field as resource data are. The icons are listed in offset order.
SampleImage makeIconHuntImage(std::size_t size, int count, std::uint32_t seed);

} // namespace pq::sample
