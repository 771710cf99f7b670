// Runs the icon finder over fuzzed bytes: every instruction set of the covered-run search must
// pass the same offsets, and every candidate must lie within the data with a score in [0, 1].
#include "finder/covered_window_finder.h"
#include "finder/icon_scanner.h"
#include "sources/memory_byte_source.h"

#include <cstdint>
#include <span>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    const auto end = std::int64_t(size);
    for (std::int64_t length : {32, 128}) {
        std::vector<std::int64_t> first;
        for (std::string_view set : pq::CoveredWindowFinder::availableInstructionSets()) {
            std::vector<std::int64_t> ranges;
            pq::CoveredWindowFinder(bytes, length, set).find(0, end, [&](std::int64_t a, std::int64_t b) {
                ranges.push_back(a);
                ranges.push_back(b);
            });
            if (first.empty())
                first = ranges;
            else if (ranges != first)
                __builtin_trap();
        }
    }
    pq::IconScanOptions options;
    options.threads = 1;
    options.segmentBytes = 4096;
    const auto found = pq::IconScanner(options).scan(*pq::memorySource(bytes));
    for (const pq::IconCandidate& c : *found) {
        if (c.offset < 0 || c.offset + c.pairLength() > end || !(c.score >= 0.0 && c.score <= 1.0))
            __builtin_trap();
    }
    return 0;
}
