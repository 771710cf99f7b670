#include "decoding/bit_depth.h"
#include "decoding/icon_format.h"

#include <gtest/gtest.h>

namespace pq {
namespace {

TEST(BitDepth, RawValuesAcceptOnlyTheThreeDepths)
{
    for (std::int64_t raw : {-1, 0, 2, 3, 5, 16, 32})
        EXPECT_FALSE(bitDepthFromRaw(raw).has_value()) << raw;
    EXPECT_EQ(bitDepthFromRaw(1), BitDepth::_1bit);
    EXPECT_EQ(bitDepthFromRaw(4), BitDepth::_4bit);
    EXPECT_EQ(bitDepthFromRaw(8), BitDepth::_8bit);
}

TEST(Dimensions, RawValuesAcceptOnlyTheTwoSizes)
{
    for (std::int64_t raw : {0, 8, 24, 64})
        EXPECT_FALSE(dimensionsFromRaw(raw).has_value()) << raw;
    EXPECT_EQ(dimensionsFromRaw(32), Dimensions::_32x32);
    EXPECT_EQ(dimensionsFromRaw(16), Dimensions::_16x16);
}

TEST(BitDepth, TitlesInDeclarationOrder)
{
    EXPECT_EQ(title(allBitDepths[0]), "Black and White (1-bit)");
    EXPECT_EQ(title(allBitDepths[1]), "16 Colors (4-bit)");
    EXPECT_EQ(title(allBitDepths[2]), "256 Colors (8-bit)");
    EXPECT_EQ(title(allDimensions[0]), "Regular Icon (32x32)");
    EXPECT_EQ(title(allDimensions[1]), "Small Icon (16x16)");
}

struct FormatRow {
    BitDepth depth;
    Dimensions size;
    std::int64_t widthInBits, bytesPerRow, chunkLength;
};

class FormatArithmetic : public testing::TestWithParam<FormatRow> {};

TEST_P(FormatArithmetic, MatchesTheFormatTable)
{
    const FormatRow row = GetParam();
    const IconFormat f = IconFormat::from(row.depth, row.size);
    EXPECT_EQ(f.widthInBits, row.widthInBits);
    EXPECT_EQ(f.bytesPerRow(), row.bytesPerRow);
    EXPECT_EQ(f.chunkLength(), row.chunkLength);
    EXPECT_EQ(f.pixelsPerSide(), rawValue(row.size));
    EXPECT_TRUE(f.isDecodable());
    EXPECT_EQ(f.depth(), row.depth);
    EXPECT_EQ(f.dimensions(), row.size);
}

INSTANTIATE_TEST_SUITE_P(AllSix, FormatArithmetic,
                         testing::Values(FormatRow{BitDepth::_1bit, Dimensions::_32x32, 32, 4, 128},
                                         FormatRow{BitDepth::_4bit, Dimensions::_32x32, 128, 16, 512},
                                         FormatRow{BitDepth::_8bit, Dimensions::_32x32, 256, 32, 1024},
                                         FormatRow{BitDepth::_1bit, Dimensions::_16x16, 16, 2, 32},
                                         FormatRow{BitDepth::_4bit, Dimensions::_16x16, 64, 8, 128},
                                         FormatRow{BitDepth::_8bit, Dimensions::_16x16, 128, 16, 256}));

TEST(IconFormat, UndecodableFormats)
{
    const IconFormat bad[] = {{0, 32}, {-1, 32}, {2, 32}, {3, 24}, {12, 96}, {16, 256},
                              {1, 0},  {1, -32}, {1, 12}, {4, 12}, {8, 4},   {1, 8 * 1024}};
    for (const IconFormat& f : bad)
        EXPECT_FALSE(f.isDecodable()) << f.bitDepth << "/" << f.widthInBits;
    EXPECT_FALSE((IconFormat{0, 32}.dimensions().has_value()));
}

} // namespace
} // namespace pq
