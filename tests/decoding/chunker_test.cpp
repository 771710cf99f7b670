#include "sources/memory_byte_source.h"
#include "decoding/chunker.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include <sys/stat.h>

namespace pq {
namespace {

std::shared_ptr<const ByteSource> bytes(std::vector<std::uint8_t> v) { return memorySource(std::move(v)); }

Chunker make(std::vector<std::uint8_t> data, IconFormat f)
{
    auto c = Chunker::create(bytes(std::move(data)), f.bitDepth, f.widthInBits);
    EXPECT_TRUE(c.has_value());
    return *c;
}

// The colours the decoder gives pixel values 0, 1, 2 ... at a palette depth: a 16x16 chunk
// whose pixels count up from 0 (row by row at 8 bits, along the first row at 4 bits).
std::vector<Color> swatch(BitDepth depth)
{
    std::vector<std::uint8_t> data(40000);
    for (int i = 0; i < 256; ++i)
        data[std::size_t(i)] = depth == BitDepth::_8bit ? std::uint8_t(i) : std::uint8_t(i < 8 ? 0x11 * 2 * i + 1 : 0);
    const auto chunk = make(data, IconFormat::from(depth, Dimensions::_16x16)).chunkAt(0, false);
    std::vector<Color> colours;
    for (std::int64_t v = 0; v < (depth == BitDepth::_8bit ? 256 : 16); ++v)
        colours.push_back(chunk->pixelArray.at(v / 16, v % 16));
    return colours;
}

// The 256-colour palette as published: the colour cube from white down in steps of 0x3333
// (less black), ramps of red, green, blue and grey in the levels the cube lacks, then black.
Color published8Bit(int i)
{
    const auto cube = [](int step) { return std::uint16_t(0xFFFF - step * 0x3333); };
    if (i < 215)
        return Color::fromRgb16(cube(i / 36), cube(i / 6 % 6), cube(i % 6));
    if (i == 255)
        return Color::fromRgb16(0, 0, 0);
    const std::uint16_t ramp[] = {0xEEEE, 0xDDDD, 0xBBBB, 0xAAAA, 0x8888, 0x7777, 0x5555, 0x4444, 0x2222, 0x1111};
    const std::uint16_t v = ramp[(i - 215) % 10];
    const int kind = (i - 215) / 10; // red, green, blue, grey
    return Color::fromRgb16(kind % 3 == 0 ? v : 0, kind == 1 || kind == 3 ? v : 0, kind >= 2 ? v : 0);
}

// Every entry of both palettes as published.
TEST(Chunker, DecodesThePublishedPaletteColours)
{
    const std::uint16_t four[16][3] = {
        {0xFFFF, 0xFFFF, 0xFFFF}, {0xFFFF, 0xFFFF, 0x0000}, {0xFFFF, 0x6565, 0x0000}, {0xDCDC, 0x0000, 0x0000},
        {0xFFFF, 0x0000, 0x9797}, {0x3636, 0x0000, 0x9797}, {0x0000, 0x0000, 0xCACA}, {0x0000, 0x9797, 0xFFFF},
        {0x0000, 0xA8A8, 0x0000}, {0x0000, 0x6565, 0x0000}, {0x6565, 0x3636, 0x0000}, {0x9797, 0x6565, 0x3636},
        {0xB9B9, 0xB9B9, 0xB9B9}, {0x8686, 0x8686, 0x8686}, {0x4545, 0x4545, 0x4545}, {0x0000, 0x0000, 0x0000}};
    const std::vector<Color> decoded4 = swatch(BitDepth::_4bit), decoded8 = swatch(BitDepth::_8bit);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(decoded4.at(std::size_t(i)), Color::fromRgb16(four[i][0], four[i][1], four[i][2])) << "4-bit entry " << i;
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(decoded8.at(std::size_t(i)), published8Bit(i)) << "8-bit entry " << i;
}

TEST(Chunker, CreationChecksTheFormatThenTheSize)
{
    constexpr auto max = std::numeric_limits<std::int64_t>::max();
    const std::tuple<std::int64_t, std::int64_t, std::int64_t, std::optional<ChunkerError>> cases[] = {
        {4127, 1, 32, ChunkerError::dataTooShort}, {4128, 1, 32, std::nullopt},
        {32799, 8, 256, ChunkerError::dataTooShort}, {32800, 8, 256, std::nullopt},
        {100000, 3, 5, ChunkerError::NotOnByteBoundary}, {10, 0, 32, ChunkerError::InvalidElementWidthInBits}, // the depth check comes before the size check
        {100000, 8, max / 8 * 8, ChunkerError::dataTooShort}, // a chunk length past 64 bits is simply too long
        {0, 1, 32, ChunkerError::dataTooShort}};
    for (const auto& [size, depth, width, error] : cases) {
        const auto chunker = Chunker::create(bytes(std::vector<std::uint8_t>(std::size_t(size))), depth, width);
        EXPECT_EQ(chunker ? std::nullopt : std::optional(chunker.error()), error) << size << " " << depth << "/" << width;
    }
}

// 5,000 bytes, 1-bit 32x32: a chunk must end before the last byte, its mask too; in 20,000
// bytes a 4-bit 32x32 chunk's 1-bit mask plane of its own (128 bytes) must lie wholly within the data.
TEST(Chunker, ChunksAndMasksMustLieWithinTheData)
{
    Chunker c = make(std::vector<std::uint8_t>(5000), IconFormat::from(BitDepth::_1bit, Dimensions::_32x32));
    Chunker colour = make(std::vector<std::uint8_t>(20000), IconFormat::from(BitDepth::_4bit, Dimensions::_32x32));
    constexpr auto max = std::numeric_limits<std::int64_t>::max();
    const auto follows = IconMask::following(), none = IconMask::none();
    const std::tuple<const Chunker*, std::int64_t, IconMask, bool> cases[] = {
        {&c, 5000 - 129, none, true}, {&c, 5000 - 128, none, false}, {&c, 5000 - 127, none, false},
        {&c, 5000 - 256, follows, true},  {&c, 5000 - 255, follows, false},  {&c, 5000 - 255, none, true},
        {&c, -1, none, false}, {&c, std::numeric_limits<std::int64_t>::min(), none, false}, {&c, max, none, false},
        {&c, max - 127, follows, false}, {&c, 5000, none, false}, {&c, std::int64_t{1} << 40, none, false},
        {&colour, 0, IconMask::oneBitAt(20000 - 128), true}, {&colour, 0, IconMask::oneBitAt(20000 - 127), false},
        {&colour, 0, IconMask::oneBitAt(-1), false}, {&colour, 0, IconMask::oneBitAt(max - 10), false}};
    for (const auto& [chunker, offset, mask, ok] : cases) {
        const auto chunk = chunker->chunkAt(offset, mask);
        EXPECT_EQ(chunk ? std::nullopt : std::optional(chunk.error()), ok ? std::nullopt : std::optional(ChunkerError::OutOfBounds))
            << offset << " mask " << int(mask.kind) << " at " << mask.offset;
    }
}

TEST(Chunker, UndecodableAssignedFormatsAreRefusedAndShowNoTiles)
{
    constexpr auto invalid = ChunkerError::InvalidElementWidthInBits, partial = ChunkerError::NotOnByteBoundary;
    const std::tuple<std::int64_t, std::int64_t, ChunkerError> cases[] = {
        {0, 32, invalid}, {-1, 32, invalid}, {12, 96, invalid}, {8, 0, invalid}, {1, -32, invalid},
        {8, std::numeric_limits<std::int64_t>::max(), invalid}, {1, 1 << 20, invalid}, {4, 12, partial}, {1, 12, partial}};
    Chunker c = make(pq::test::randomBytes(10000, 1), IconFormat::from(BitDepth::_1bit, Dimensions::_32x32));
    for (const auto& [depth, width, error] : cases) {
        c.setBitDepth(depth);
        c.setWidthInBits(width);
        for (bool mask : {false, true})
            EXPECT_EQ(c.chunkAt(0, mask).error(), error) << depth << "/" << width;
        EXPECT_EQ(c.tileCount(), 0) << depth << "/" << width;
    }
}

// Tile r at shift s shows the chunk at r x bytes per row + s; a tile exists when its chunk
// ends before the last byte. Counts worked out by hand from the file size and format.
TEST(Chunker, TilesReachEveryChunkThatEndsBeforeTheLastByte)
{
    const IconFormat bw32 = IconFormat::from(BitDepth::_1bit, Dimensions::_32x32);
    const IconFormat c256 = IconFormat::from(BitDepth::_8bit, Dimensions::_32x32);
    struct Row {
        std::int64_t size;
        IconFormat format;
        std::int64_t shift, tiles;
    };
    const Row rows[] = {
        {40000, c256, 0, 1218}, {40000, c256, 31, 1218}, {40001, c256, 0, 1219}, {40001, c256, 1, 1218},
        {5000, c256, 0, 125},   {1025, c256, 0, 1},      {1025, c256, 1, 0},     {1024, c256, 0, 0},
        {5001, bw32, 0, 1219},  {5001, bw32, 1, 1218},   {5001, bw32, 3, 1218},  {5001, bw32, -1, 0},
        {5001, bw32, 5001, 0},  {5001, bw32, std::numeric_limits<std::int64_t>::max(), 0}};
    for (const Row& row : rows) {
        Chunker sized = *Chunker::create(bytes(std::vector<std::uint8_t>(std::size_t(row.size))), 1, 8);
        sized.setFormat(row.format); // the format is assigned: creation would refuse the short files
        EXPECT_EQ(sized.tileCount(row.shift), row.tiles) << row.size << " bytes, " << row.format.widthInBits
                                                          << " bits per row, shift " << row.shift;
    }
    Chunker last = make(std::vector<std::uint8_t>(5001), bw32);
    EXPECT_EQ(last.tileCount(), 1219);
    for (const auto& [offset, tile] : std::initializer_list<std::pair<std::int64_t, std::optional<std::int64_t>>>{
             {0, 0}, {4871, 1217}, {4872, 1218}, {4873, std::nullopt}, {-1, std::nullopt}}) {
        EXPECT_EQ(last.tileShowing(offset), tile) << offset;
        EXPECT_EQ(last.chunkAt(offset, false).has_value(), tile.has_value()) << offset;
    }
}

class BlankChunk : public testing::TestWithParam<BitDepth> {};

TEST_P(BlankChunk, ZeroBytesAreBlankAndWhite)
{
    const IconFormat f = IconFormat::from(GetParam(), Dimensions::_32x32);
    std::vector<std::uint8_t> data(40000);
    auto chunk = make(data, f).chunkAt(0, false);
    ASSERT_TRUE(chunk.has_value());
    EXPECT_TRUE(chunk->isBlank);
    EXPECT_EQ(chunk->pixelArray.rows(), 32);
    const Color white = GetParam() == BitDepth::_1bit ? Color::white() : Color::fromRgb16(0xFFFF, 0xFFFF, 0xFFFF);
    EXPECT_TRUE(std::ranges::all_of(chunk->pixelArray.pixels(), [&](const Color& px) { return px == white; }));

    // One non-zero byte anywhere in the pixel plane; the mask plays no part.
    data[std::size_t(f.chunkLength())] = 0xFF; // first mask byte
    EXPECT_TRUE(make(data, f).chunkAt(0, true)->isBlank);
    data[std::size_t(f.chunkLength() - 1)] = 0x10;
    EXPECT_FALSE(make(data, f).chunkAt(0, false)->isBlank);
}

INSTANTIATE_TEST_SUITE_P(AllDepths, BlankChunk, testing::Values(BitDepth::_1bit, BitDepth::_4bit, BitDepth::_8bit));

// Every format, without mask, with the mask plane following the pixels and with a 1-bit mask
// plane of its own at another offset (a colour icon through its family's mask), pixel by pixel
// against an independent bit-by-bit reading of random data: rows most significant bits first,
// palette entries, mask elements equal to 1 opaque. Decoded as a stored bookmark is, in its
// own format over the shared bytes.
class DecodeAgainstReference : public testing::TestWithParam<std::tuple<BitDepth, Dimensions, IconMask::Kind>> {};

TEST_P(DecodeAgainstReference, RandomData)
{
    const auto [depth, size, maskKind] = GetParam();
    const IconFormat f = IconFormat::from(depth, size);
    constexpr std::int64_t kMaskApart = 30001;
    const auto data = pq::test::randomBytes(40000, 7);
    const auto shared = bytes(data);
    const std::vector<Color> palette = f.bitDepth == 1 ? std::vector<Color>{} : swatch(depth);
    const std::int64_t n = f.pixelsPerSide();
    for (std::int64_t offset : {std::int64_t{0}, std::int64_t{1}, std::int64_t{333}, std::int64_t{12345}}) {
        SCOPED_TRACE(offset);
        const IconMask mask{maskKind, maskKind == IconMask::Kind::OneBitAt ? kMaskApart : 0};
        auto chunk = Chunker::decode(shared, f, offset, mask); // as a decoder created in the format would
        ASSERT_TRUE(chunk.has_value());
        EXPECT_EQ(bool(chunk->colorTable), f.bitDepth != 1);
        for (std::int64_t r = 0; r < n; ++r) {
            for (std::int64_t x = 0; x < n; ++x) {
                auto element = [&](std::int64_t base, std::int64_t depth) {
                    const std::int64_t at = (r * n + x) * depth;
                    const std::uint8_t byte = data[std::size_t(base + at / 8)];
                    const int shift = 8 - int(depth) - int(at % 8);
                    return (byte >> shift) & ((1 << depth) - 1);
                };
                const int v = element(offset, f.bitDepth);
                Color want = f.bitDepth == 1 ? (v ? Color::black() : Color::white()) : palette.at(std::size_t(v));
                if ((maskKind == IconMask::Kind::FollowsPlane && element(offset + f.chunkLength(), f.bitDepth) != 1)
                    || (maskKind == IconMask::Kind::OneBitAt && element(kMaskApart, 1) != 1))
                    want = Color::clear();
                ASSERT_EQ(chunk->pixelArray.at(r, x), want) << "offset " << offset << " row " << r << " col " << x;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, DecodeAgainstReference,
                         testing::Combine(testing::Values(BitDepth::_1bit, BitDepth::_4bit, BitDepth::_8bit),
                                          testing::Values(Dimensions::_32x32, Dimensions::_16x16),
                                          testing::Values(IconMask::Kind::None, IconMask::Kind::FollowsPlane,
                                                          IconMask::Kind::OneBitAt)));

// Only 1, 4 and 8 bits have a reading; planes and masks too short for the rows asked for are
// never read past (the sanitizer build checks every read).
TEST(DecodePixelArray, RefusesOtherDepthsAndNeverReadsPastItsPlanes)
{
    constexpr auto max = std::numeric_limits<std::int64_t>::max();
    struct Row {
        std::int64_t depth, columns, planeBytes, maskBytes, rows;
    };
    const Row rows[] = {
        {2, 32, 256, 0, 0},  {3, 32, 256, 0, 0},   {0, 32, 256, 0, 0},     {-1, 32, 256, 0, 0},
        {16, 16, 512, 0, 0}, {8, 32, 31, 0, 0},    {8, 32, 100, 100, 3},   {8, 32, 100, 10, 3},
        {4, 3, 64, 64, 0},   {1, 12, 64, 64, 0},   {1, 32, 130, 129, 32},  {8, max, 256, 256, 0},
        {8, max / 8 + 1, 256, 0, 0}, {1, max / 8 * 8, 256, 0, 0}, {4, max / 4 + 2, 256, 256, 0}};
    for (const Row& row : rows) {
        const std::vector<std::uint8_t> plane(std::size_t(row.planeBytes), 0xFF), mask(std::size_t(row.maskBytes), 0xFF);
        const PixelArray pixels = decodePixelArray(plane, row.depth, row.columns, mask, builtInPalette(row.depth).get());
        EXPECT_EQ(std::pair(pixels.rows(), row.rows ? pixels.columns() : 0), std::pair(row.rows, row.rows ? row.columns : 0))
            << row.depth << "-bit, " << row.columns << " columns";
    }
}

} // namespace
} // namespace pq
