#include "finder/covered_window_finder.h"
#include "sample_image.h"

#include <gtest/gtest.h>

#include <array>

#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace pq {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Data that exercises every branch of the run search: noise, zeros, 0xFF, patterns whose
// period divides the plane length or not, icons (one solid, so its image equals its mask),
// noise followed by 0xFF (image covered, mask constant), and odd lengths between them.
Bytes makeTestData(std::uint32_t seed)
{
    std::mt19937 rng(seed);
    Bytes out;
    auto append = [&](std::size_t length, auto byteAt) {
        for (std::size_t i = 0; i < length; ++i)
            out.push_back(std::uint8_t(byteAt(i)));
    };
    for (int piece = 0; piece < 60; ++piece) {
        const std::size_t length = 1 + rng() % 700;
        switch (piece % 8) {
        case 0: append(length, [&](std::size_t) { return rng(); }); break;
        case 1: append(length, [](std::size_t) { return 0; }); break;
        case 2: append(length, [](std::size_t) { return 0xFF; }); break;
        case 3: {
            const std::size_t periods[] = {1, 4, 8, 12, 16, 32, 128};
            const std::size_t period = periods[rng() % std::size(periods)];
            Bytes record(period);
            for (auto& b : record)
                b = std::uint8_t(rng());
            append(length + 300, [&](std::size_t i) { return record[i % period]; });
            break;
        }
        case 4: { // a drawn pair, often the solid bell
            const int side = rng() % 2 ? 32 : 16;
            out.resize(out.size() + std::size_t(side * side / 4));
            sample::plantIcon(out, std::int64_t(out.size()) - side * side / 4, std::array{"bell", "floppy", "folder"}[rng() % 3], side, 1, true);
            break;
        }
        case 5: append(length, [&](std::size_t) { return rng() & rng() & rng(); }); break; // sparse bits
        default: append(length, [&](std::size_t i) { return i < length / 2 ? std::uint32_t(rng()) : 0xFFu; });
        }
    }
    return out;
}

// The rule written out directly: the pair fits, every image byte is covered by the byte one
// plane further, and no run of 2 × length equal bytes (byte = byte one plane further) holds
// the whole image plane.
std::vector<std::int64_t> passingOffsetsByRule(const Bytes& bytes, std::int64_t length)
{
    const auto n = std::int64_t(bytes.size());
    std::vector<std::int64_t> result;
    for (std::int64_t o = 0; o + 2 * length <= n; ++o) {
        bool covered = true;
        for (std::int64_t p = o; p < o + length && covered; ++p)
            covered = (bytes[p] & ~bytes[p + length]) == 0;
        if (!covered)
            continue;
        auto same = [&](std::int64_t p) { return p >= 0 && p + length < n && bytes[p] == bytes[p + length]; };
        std::int64_t first = o, end = o;
        while (same(first - 1))
            --first;
        while (same(end))
            ++end;
        if (end >= o + length && end - first >= 2 * length)
            continue;
        result.push_back(o);
    }
    return result;
}

class CoveredWindowFinderTest : public ::testing::TestWithParam<std::tuple<std::string_view, int, std::uint32_t>> {};

TEST_P(CoveredWindowFinderTest, FindsExactlyTheOffsetsTheRuleNames)
{
    const auto [instructionSet, length, seed] = GetParam();
    const Bytes bytes = makeTestData(seed);
    const auto expected = passingOffsetsByRule(bytes, length);
    ASSERT_FALSE(expected.empty()); // the icons pass at least
    const CoveredWindowFinder finder(bytes, length, instructionSet);
    // The whole search, then searches in pieces of any length, give the same offsets.
    std::vector<std::int64_t> whole, pieced;
    const auto into = [](std::vector<std::int64_t>& offsets) {
        return [&offsets](std::int64_t first, std::int64_t last) {
            EXPECT_LE(first, last);
            for (std::int64_t o = first; o <= last; ++o)
                offsets.push_back(o);
        };
    };
    finder.find(0, std::int64_t(bytes.size()), into(whole));
    EXPECT_EQ(whole, expected);
    std::mt19937 rng(seed);
    for (std::int64_t at = 0, to = 0; at < std::int64_t(bytes.size()); at = to) {
        to = at + 1 + std::int64_t(rng() % 3000);
        finder.find(at, to, into(pieced));
    }
    EXPECT_EQ(pieced, expected);
}

INSTANTIATE_TEST_SUITE_P(EveryInstructionSet, CoveredWindowFinderTest,
                         ::testing::Combine(::testing::ValuesIn(CoveredWindowFinder::availableInstructionSets()),
                                            ::testing::Values(128, 32), ::testing::Values(1u, 2u, 3u)));

} // namespace
} // namespace pq
