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

TEST(IconFormat, ArithmeticOfTheSixFormats)
{
    struct Row {
        BitDepth depth;
        Dimensions size;
        std::int64_t widthInBits, bytesPerRow, chunkLength;
    };
    const Row rows[] = {{BitDepth::_1bit, Dimensions::_32x32, 32, 4, 128},  {BitDepth::_4bit, Dimensions::_32x32, 128, 16, 512},
                        {BitDepth::_8bit, Dimensions::_32x32, 256, 32, 1024}, {BitDepth::_1bit, Dimensions::_16x16, 16, 2, 32},
                        {BitDepth::_4bit, Dimensions::_16x16, 64, 8, 128},   {BitDepth::_8bit, Dimensions::_16x16, 128, 16, 256}};
    for (const Row& row : rows) {
        const IconFormat f = IconFormat::from(row.depth, row.size);
        SCOPED_TRACE(f.widthInBits);
        EXPECT_EQ(f.widthInBits, row.widthInBits);
        EXPECT_EQ(f.bytesPerRow(), row.bytesPerRow);
        EXPECT_EQ(f.chunkLength(), row.chunkLength);
        EXPECT_EQ(f.pixelsPerSide(), rawValue(row.size));
        EXPECT_TRUE(f.isDecodable());
        EXPECT_EQ(f.depth(), row.depth);
        EXPECT_EQ(f.dimensions(), row.size);
    }
}

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
