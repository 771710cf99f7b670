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

// The six formats, then any integers a bookmarks file may hold: every derived quantity is
// defined for every pair, with 0 for a quotient that has no 64-bit value and products
// saturated at the limits. Only the six formats decode.
TEST(IconFormat, ArithmeticOfAnyIntegers)
{
    constexpr std::int64_t min = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t max = std::numeric_limits<std::int64_t>::max();
    struct Row {
        std::int64_t bitDepth, widthInBits, pixelsPerSide, bytesPerRow, chunkLength;
    };
    const Row rows[] = {
        {1, 32, 32, 4, 128}, {4, 128, 32, 16, 512}, {8, 256, 32, 32, 1024},
        {1, 16, 16, 2, 32},  {4, 64, 16, 8, 128},   {8, 128, 16, 16, 256},
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
    };
    for (const Row& row : rows) {
        const IconFormat f{row.bitDepth, row.widthInBits};
        SCOPED_TRACE(testing::Message() << row.bitDepth << "/" << row.widthInBits);
        EXPECT_EQ(std::tuple(f.pixelsPerSide(), f.bytesPerRow(), f.chunkLength()),
                  std::tuple(row.pixelsPerSide, row.bytesPerRow, row.chunkLength));
        const bool six = &row < rows + 6;
        EXPECT_EQ(f.isDecodable(), six);
        EXPECT_EQ(f.dimensions().has_value(), six);
        if (six) {
            EXPECT_EQ(IconFormat::from(*f.depth(), *f.dimensions()), f);
        }
    }
    for (const IconFormat f : {IconFormat{2, 32}, {3, 24}, {12, 96}, {16, 256}, {1, 12}, {4, 12}, {8, 4}, {1, 8 * 1024}})
        EXPECT_FALSE(f.isDecodable()) << f.bitDepth << "/" << f.widthInBits;
}

} // namespace
} // namespace pq
