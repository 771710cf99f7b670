#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

namespace pq {

struct FlagKernelChoice; // one implementation of the flag computation

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

    // Uses the best instruction set of this processor, or the one named (for tests: every
    // one of availableInstructionSets() must give the same answers).
    CoveredWindowFinder(std::span<const std::uint8_t> bytes, std::int64_t planeLength,
                        std::string_view instructionSet = {});

    // Finds the passing offsets in [begin, end), in increasing order.
    void find(std::int64_t begin, std::int64_t end, const Visit& visit) const;

    // The best instruction set of this processor: "avx2", "sse2" or "scalar".
    static const char* instructionSet();
    // Every instruction set this processor can run, best first.
    static std::vector<std::string_view> availableInstructionSets();

private:
    std::span<const std::uint8_t> m_bytes;
    std::int64_t m_planeLength;
    const FlagKernelChoice* m_kernel;
};

} // namespace pq
