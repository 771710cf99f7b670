#pragma once

#include <cstdint>
#include <functional>
#include <span>

namespace pq {

// The cheap first test of the icon finder, run over every byte offset. An offset o passes for
// a plane length L (128 bytes for 32×32, 32 for 16×16) when the whole pair fits in the data,
// every bit set in the image bytes [o, o + L) is also set in the mask byte L further on (the
// mask covers the image), and the data do not repeat every L bytes for three planes or more
// around it: zeros, 0xFF runs and patterns repeating every L bytes would otherwise pass
// everywhere. (An icon drawn solid black has an image equal to its mask, but the bytes around
// such a pair do not repeat it again.)
//
// The test is a run search: per byte p the flags "image byte covered" and "byte equals the one
// L further" are computed 16 or 32 at a time with vector instructions; an offset passes when
// it starts a run of L covered flags and lies in no run of 2L equal flags.
class CoveredWindowFinder {
public:
    // visit(first, last): one maximal range of passing offsets, both ends included.
    using Visit = std::function<void(std::int64_t first, std::int64_t last)>;

    CoveredWindowFinder(std::span<const std::uint8_t> bytes, std::int64_t planeLength);

    // Finds the passing offsets in [begin, end), in increasing order.
    void find(std::int64_t begin, std::int64_t end, const Visit& visit) const;

    // The instruction set in use: "avx2", "sse2" or "scalar".
    static const char* instructionSet();

private:
    std::span<const std::uint8_t> m_bytes;
    std::int64_t m_planeLength;
};

} // namespace pq
