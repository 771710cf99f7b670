#include "finder/icon_pair_scorer.h"
#include "sample_image.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

namespace pq {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::int64_t kAt = 8; // where the pair starts in its test buffer

struct Pair {
    Bytes image, mask;
    int side;

    static Pair drawn(const std::string& name, int side)
    {
        const auto canvas = sample::drawIcon(name, side, 1);
        return {canvas.pixelPlane(1), canvas.maskPlane(1), side};
    }
    // Sets the pixels x in [x0, x1), y in [y0, y1) of a plane.
    void paint(Bytes& plane, int x0, int x1, int y0, int y1, bool on = true) const
    {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                auto& byte = plane[std::size_t(y * side / 8 + x / 8)];
                const auto bit = std::uint8_t(0x80 >> (x % 8));
                byte = on ? byte | bit : byte & ~bit;
            }
    }
    void clear() { std::ranges::fill(image, 0), std::ranges::fill(mask, 0); }
    // Eight bytes of noise, the pair, then eight bytes of noise.
    Bytes bytes(std::uint32_t lengthField = 0x5A5A5A5A) const
    {
        Bytes out{0x12, 0x34, 0x56, 0x78, std::uint8_t(lengthField >> 24), std::uint8_t(lengthField >> 16),
                  std::uint8_t(lengthField >> 8), std::uint8_t(lengthField)};
        out.insert(out.end(), image.begin(), image.end());
        out.insert(out.end(), mask.begin(), mask.end());
        out.insert(out.end(), 8, 0xA5);
        return out;
    }
    std::optional<IconPairEvidence> judge(std::uint32_t lengthField = 0x5A5A5A5A) const
    {
        return judgeIconPair(bytes(lengthField), kAt, side);
    }
};

TEST(IconPairScore, EveryDrawnIconWithItsMaskScoresNearOne)
{
    for (const char* name : {"floppy", "smiley", "folder", "document", "trash", "bell"})
        for (int side : {32, 16}) {
            const auto evidence = Pair::drawn(name, side).judge();
            ASSERT_TRUE(evidence) << name << " " << side;
            EXPECT_GE(evidence->score(), 0.95) << name << " " << side;
            EXPECT_LE(evidence->score(), 1.0);
            EXPECT_FALSE(evidence->lengthField);
        }
}

struct Refusal {
    const char* what;
    std::function<void(Pair&)> spoil;
};

void PrintTo(const Refusal& refusal, std::ostream* out) { *out << refusal.what; }

class RefusedPair : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusedPair, IsNoIconPair)
{
    for (int side : {32, 16}) {
        Pair pair = Pair::drawn("floppy", side);
        ASSERT_TRUE(pair.judge());
        GetParam().spoil(pair);
        EXPECT_FALSE(pair.judge()) << GetParam().what << " at " << side;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedPair,
    ::testing::Values(
        Refusal{"an image pixel the mask leaves clear", [](Pair& p) { p.paint(p.image, 0, 1, p.side - 1, p.side); }},
        Refusal{"a blank image", [](Pair& p) { std::ranges::fill(p.image, 0); }},
        Refusal{"a constant image", [](Pair& p) {
                    std::ranges::fill(p.image, 0x10);
                    for (auto& b : p.mask)
                        b |= 0x10;
                }},
        Refusal{"a mask over the whole square", [](Pair& p) { std::ranges::fill(p.mask, 0xFF); }},
        Refusal{"a speck of a mask", [](Pair& p) { p.clear(), p.paint(p.mask, 4, 6, 4, 6), p.paint(p.image, 5, 6, 5, 6); }},
        Refusal{"a silhouette two pixels wide",
                [](Pair& p) { p.clear(), p.paint(p.mask, 3, 5, 0, p.side), p.paint(p.image, 3, 4, 0, p.side); }}));

TEST(IconPairScore, PairsThatDoNotFitAreRefused)
{
    const Bytes bytes = Pair::drawn("smiley", 16).bytes();
    const std::span<const std::uint8_t> all(bytes);
    const std::tuple<std::span<const std::uint8_t>, std::int64_t, int, bool> cases[] = {
        {all, kAt, 16, true}, {all, -1, 16, false}, {all, std::int64_t(bytes.size()) - 63, 16, false}, {all, kAt, 24, false},
        {all.first(kAt + 63), kAt, 16, false}, {all.first(kAt + 64), kAt, 16, true}};
    for (const auto& [span, offset, side, judged] : cases)
        EXPECT_EQ(judgeIconPair(span, offset, side).has_value(), judged) << offset << " " << side << " " << span.size();
}

// Each flaw lowers its own measure and the score, and leaves a pair that is still judged.
TEST(IconPairScore, FlawsLowerTheirMeasureAndTheScore)
{
    const Pair clean = Pair::drawn("document", 32);
    const IconPairEvidence best = *clean.judge();

    Pair holed = clean; // clear mask pixels in the middle of the page, where the image is white
    holed.paint(holed.mask, 20, 23, 8, 10, false);
    const auto holes = *holed.judge();
    EXPECT_TRUE(holes.holeFree < best.holeFree && holes.solidRows < best.solidRows && holes.score() < best.score());

    Pair unframed = clean; // the image without its outline
    for (const auto& [x0, x1, y0, y1] : {std::array{0, 5, 0, 32}, {27, 32, 0, 32}, {0, 32, 0, 1}, {0, 32, 31, 32}})
        unframed.paint(unframed.image, x0, x1, y0, y1, false);
    const auto noOutline = *unframed.judge();
    EXPECT_TRUE(noOutline.outline < 0.5 && noOutline.score() < 0.5 * best.score());

    Pair split = clean; // a gap through the middle rows: two runs per row, neighbours still touch
    split.paint(split.mask, 15, 17, 10, 20, false);
    split.paint(split.image, 15, 17, 10, 20, false);
    const auto twoRuns = *split.judge();
    EXPECT_NEAR(twoRuns.solidRows, 1.0 - 10.0 / 32.0, 1e-9);
    EXPECT_TRUE(twoRuns.connected == 1.0 && twoRuns.score() < best.score());
}

TEST(IconPairScore, ALengthFieldBeforeThePairAddsATenth)
{
    Pair pair = Pair::drawn("trash", 32);
    pair.paint(pair.mask, 14, 15, 6, 9, false); // a hole, so the score has room below 1
    pair.paint(pair.image, 14, 15, 6, 9, false);
    const auto plain = pair.judge(), fielded = pair.judge(256);
    ASSERT_TRUE(plain && fielded);
    EXPECT_TRUE(!plain->lengthField && fielded->lengthField);
    ASSERT_LT(plain->score(), 0.9);
    EXPECT_DOUBLE_EQ(fielded->score(), plain->score() + 0.1);
    // The field holds the length of both planes: 64 for 16×16, not 256 or one plane's 32.
    const Pair small = Pair::drawn("trash", 16);
    for (const auto& [field, counted] : {std::pair(64u, true), {32u, false}, {256u, false}})
        EXPECT_EQ(small.judge(field)->lengthField, counted) << field;
}

} // namespace
} // namespace pq
