#include "finder/icon_pair_scorer.h"
#include "sample_image.h"

#include <gtest/gtest.h>

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
    // Pixel (x, y) of a plane.
    static void set(Bytes& plane, int side, int x, int y, bool on)
    {
        auto& byte = plane[std::size_t(y * side / 8 + x / 8)];
        const auto bit = std::uint8_t(0x80 >> (x % 8));
        byte = on ? byte | bit : byte & ~bit;
    }
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
    std::optional<IconPairEvidence> judge() const { return judgeIconPair(bytes(), kAt, side); }
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

void PrintTo(const Refusal& refusal, std::ostream* out)
{
    *out << refusal.what;
}

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
        Refusal{"an image pixel the mask leaves clear",
                [](Pair& p) { Pair::set(p.image, p.side, 0, p.side - 1, true); }},
        Refusal{"a blank image", [](Pair& p) { std::fill(p.image.begin(), p.image.end(), 0); }},
        Refusal{"a constant image",
                [](Pair& p) {
                    std::fill(p.image.begin(), p.image.end(), 0x10);
                    for (auto& b : p.mask)
                        b |= 0x10;
                }},
        Refusal{"a mask over the whole square", [](Pair& p) { std::fill(p.mask.begin(), p.mask.end(), 0xFF); }},
        Refusal{"a speck of a mask",
                [](Pair& p) {
                    std::fill(p.image.begin(), p.image.end(), 0);
                    std::fill(p.mask.begin(), p.mask.end(), 0);
                    for (int y = 4; y < 6; ++y)
                        for (int x = 4; x < 6; ++x)
                            Pair::set(p.mask, p.side, x, y, true);
                    Pair::set(p.image, p.side, 5, 5, true);
                }},
        Refusal{"a silhouette two pixels wide", [](Pair& p) {
                    std::fill(p.image.begin(), p.image.end(), 0);
                    std::fill(p.mask.begin(), p.mask.end(), 0);
                    for (int y = 0; y < p.side; ++y) {
                        Pair::set(p.mask, p.side, 3, y, true);
                        Pair::set(p.mask, p.side, 4, y, true);
                        Pair::set(p.image, p.side, 3, y, true);
                    }
                }}));

TEST(IconPairScore, PairsThatDoNotFitAreRefused)
{
    const Bytes bytes = Pair::drawn("smiley", 16).bytes();
    const std::span<const std::uint8_t> all(bytes);
    const std::tuple<std::span<const std::uint8_t>, std::int64_t, int, bool> cases[] = {
        {all, kAt, 16, true},           {all, -1, 16, false}, {all, std::int64_t(bytes.size()) - 63, 16, false},
        {all, kAt, 24, false},          {all.first(kAt + 63), kAt, 16, false},
        {all.first(kAt + 64), kAt, 16, true},
    };
    for (const auto& [span, offset, side, judged] : cases)
        EXPECT_EQ(judgeIconPair(span, offset, side).has_value(), judged) << offset << " " << side << " " << span.size();
}

// Each flaw lowers its own measure and the score, and leaves a pair that is still judged.
TEST(IconPairScore, FlawsLowerTheirMeasureAndTheScore)
{
    const Pair clean = Pair::drawn("document", 32);
    const IconPairEvidence best = *clean.judge();

    Pair holed = clean; // clear mask pixels in the middle of the page, where the image is white
    for (int y = 8; y < 10; ++y)
        for (int x = 20; x < 23; ++x)
            Pair::set(holed.mask, 32, x, y, false);
    const auto holes = *holed.judge();
    EXPECT_LT(holes.holeFree, best.holeFree);
    EXPECT_LT(holes.solidRows, best.solidRows);
    EXPECT_LT(holes.score(), best.score());

    Pair unframed = clean; // the image without its outline
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (x <= 4 || x >= 27 || y <= 0 || y >= 31)
                Pair::set(unframed.image, 32, x, y, false);
    const auto noOutline = *unframed.judge();
    EXPECT_LT(noOutline.outline, 0.5);
    EXPECT_LT(noOutline.score(), 0.5 * best.score());

    Pair split = clean; // a gap through the middle rows: two runs per row, neighbours still touch
    for (int y = 10; y < 20; ++y)
        for (int x = 15; x < 17; ++x) {
            Pair::set(split.mask, 32, x, y, false);
            Pair::set(split.image, 32, x, y, false);
        }
    const auto twoRuns = *split.judge();
    EXPECT_NEAR(twoRuns.solidRows, 1.0 - 10.0 / 32.0, 1e-9);
    EXPECT_EQ(twoRuns.connected, 1.0);
    EXPECT_LT(twoRuns.score(), best.score());
}

TEST(IconPairScore, ALengthFieldBeforeThePairAddsATenth)
{
    Pair pair = Pair::drawn("trash", 32);
    for (int y = 6; y < 9; ++y) // a hole, so the score has room below 1
        Pair::set(pair.mask, 32, 14, y, false), Pair::set(pair.image, 32, 14, y, false);
    const auto plain = judgeIconPair(pair.bytes(), kAt, 32);
    const auto fielded = judgeIconPair(pair.bytes(256), kAt, 32);
    ASSERT_TRUE(plain && fielded);
    EXPECT_FALSE(plain->lengthField);
    EXPECT_TRUE(fielded->lengthField);
    ASSERT_LT(plain->score(), 0.9);
    EXPECT_DOUBLE_EQ(fielded->score(), plain->score() + 0.1);
    // The field holds the length of both planes: 64 for 16×16, not 256 or one plane's 32.
    const Pair small = Pair::drawn("trash", 16);
    EXPECT_TRUE(judgeIconPair(small.bytes(64), kAt, 16)->lengthField);
    EXPECT_FALSE(judgeIconPair(small.bytes(32), kAt, 16)->lengthField);
    EXPECT_FALSE(judgeIconPair(small.bytes(256), kAt, 16)->lengthField);
}

} // namespace
} // namespace pq
