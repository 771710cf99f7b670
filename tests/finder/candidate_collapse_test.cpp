#include "finder/candidate_collapse.h"

#include <gtest/gtest.h>

#include <array>

namespace pq {
namespace {

IconCandidate at(std::int64_t offset, int side, double score, bool lengthField = false, int rowImbalance = 0)
{
    return {offset, side, score, lengthField, rowImbalance};
}

TEST(CandidateCollapse, OverlappingPairsKeepTheBestInListingOrder)
{
    const auto kept = collapseOverlapping({
        at(1000, 32, 0.7),  // [1000, 1256)
        at(1004, 32, 0.9),  // [1004, 1260): overlaps 1000 and 1259
        at(1260, 32, 0.8),  // [1260, 1516): overlaps 1259
        at(1259, 16, 0.95), // [1259, 1323): a 16x16 pair, better than all of them
        at(5000, 16, 0.2),  // [5000, 5064)
        at(5063, 16, 0.3),  // overlaps the one before by a byte
    });
    EXPECT_EQ(kept, (std::vector<IconCandidate>{at(1259, 16, 0.95), at(1000, 32, 0.7), at(5063, 16, 0.3)}));
    // Pairs that only touch are two icons.
    const std::vector<IconCandidate> touching{at(0, 32, 0.5), at(256, 32, 0.4), at(512, 16, 0.3), at(576, 16, 0.2)};
    EXPECT_EQ(collapseOverlapping({touching[3], touching[1], touching[0], touching[2]}), touching);
}

TEST(CandidateCollapse, EqualScoresGoToTheLengthFieldThenTheCentredThenTheEarliest)
{
    const std::array<IconCandidate, 3> cases[] = { // two candidates and the one kept
        {at(100, 32, 0.8, false, 0), at(104, 32, 0.8, true, 4), at(104, 32, 0.8, true, 4)},
        {at(100, 32, 0.8, false, 2), at(104, 32, 0.8, false, 0), at(104, 32, 0.8, false, 0)},
        {at(108, 32, 0.8, false, 1), at(104, 32, 0.8, false, 1), at(104, 32, 0.8, false, 1)},
        {at(100, 32, 0.81, false, 6), at(104, 32, 0.8, true, 0), at(100, 32, 0.81, false, 6)},
    };
    for (const auto& [a, b, winner] : cases) {
        EXPECT_EQ(collapseOverlapping({a, b}), std::vector{winner});
        EXPECT_EQ(collapseOverlapping({b, a}), std::vector{winner});
    }
}

} // namespace
} // namespace pq
