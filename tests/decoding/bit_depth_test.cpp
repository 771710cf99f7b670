#include "decoding/bit_depth.h"
#include "decoding/icon_format.h"

#include <gtest/gtest.h>

#include <limits>

namespace pq {
namespace {

TEST(BitDepth, RawValuesAcceptOnlyTheThreeDepthsAndTheTwoSizes)
{
    for (std::int64_t raw : {-1, 0, 2, 3, 5, 16, 32})
        EXPECT_FALSE(bitDepthFromRaw(raw).has_value()) << raw;
    for (std::int64_t raw : {0, 8, 24, 64})
        EXPECT_FALSE(dimensionsFromRaw(raw).has_value()) << raw;
    EXPECT_EQ(std::tuple(bitDepthFromRaw(1), bitDepthFromRaw(4), bitDepthFromRaw(8), dimensionsFromRaw(32), dimensionsFromRaw(16)),
              std::tuple(BitDepth::_1bit, BitDepth::_4bit, BitDepth::_8bit, Dimensions::_32x32, Dimensions::_16x16));
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

// Bookmarks files may hold any integers: every derived quantity is defined for every pair,
// with 0 for a quotient that has no 64-bit value and products saturated at the limits.
TEST(IconFormat, ArithmeticOfAnyIntegers)
{
    constexpr std::int64_t min = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t max = std::numeric_limits<std::int64_t>::max();
    struct Row {
        std::int64_t bitDepth, widthInBits, pixelsPerSide, bytesPerRow, chunkLength;
    };
    const Row rows[] = {
        {-1, min, 0, -1152921504606846976, 0},
        {0, 32, 0, 4, 0},
        {0, min, 0, -1152921504606846976, 0},
        {min, -1, 0, 0, 0},
        {min, min, 1, -1152921504606846976, -1152921504606846976},
        {1, max, max, 1152921504606846975, max},
        {1, min, min, -1152921504606846976, max},
        {-1, max, -max, 1152921504606846975, min},
        {-1, -max, max, -1152921504606846975, min},
        {max, max, 1, 1152921504606846975, 1152921504606846975},
        {2, std::int64_t{1} << 40, std::int64_t{1} << 39, std::int64_t{1} << 37, max},
        {-8, 256, -32, 32, -1024},
        {8, 256, 32, 32, 1024},
    };
    for (const Row& row : rows) {
        const IconFormat f{row.bitDepth, row.widthInBits};
        SCOPED_TRACE(testing::Message() << row.bitDepth << "/" << row.widthInBits);
        EXPECT_EQ(f.pixelsPerSide(), row.pixelsPerSide);
        EXPECT_EQ(f.bytesPerRow(), row.bytesPerRow);
        EXPECT_EQ(f.chunkLength(), row.chunkLength);
        EXPECT_EQ(f.isDecodable(), row.bitDepth == 8 && row.widthInBits == 256);
        EXPECT_EQ(f.dimensions().has_value(), row.bitDepth == 8 && row.widthInBits == 256);
    }
}

} // namespace
} // namespace pq
