#pragma once

#include <cstdint>
#include <span>

namespace pq {

// Apple Data Compression, as used in disk image chunks: a byte with the high bit set starts
// a run of (low 7 bits + 1) literal bytes; 01LLLLLL OOOOOOOO OOOOOOOO copies L + 4 bytes from
// O + 1 bytes back; 0LLLLLOO OOOOOOOO copies L + 3 bytes from O + 1 bytes back (the low two
// bits of the first byte are the high bits of O). Fills all of `out` from `in`; false when
// the input ends early, refers before the start, or overflows `out`.
bool adcDecode(std::span<const std::uint8_t> in, std::span<std::uint8_t> out);

} // namespace pq
