#include "decoding/chunker.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <limits>

namespace pq {
namespace {

std::shared_ptr<const FileData> bytes(std::vector<std::uint8_t> v) { return FileData::fromBytes(std::move(v)); }

Chunker make(std::vector<std::uint8_t> data, IconFormat f)
{
    auto c = Chunker::create(bytes(std::move(data)), f.bitDepth, f.widthInBits);
    EXPECT_TRUE(c.has_value());
    return *c;
}

Color paletteColour(int depth, int index)
{
    const ColorSpec s = builtInPalette(depth)->ctTable.at(static_cast<std::size_t>(index));
    return Color::fromRgb16(std::uint16_t(s.red), std::uint16_t(s.green), std::uint16_t(s.blue));
}

struct ConstructionCase {
    std::int64_t size, bitDepth, widthInBits;
    std::optional<ChunkerError> error;
};

class ChunkerConstruction : public testing::TestWithParam<ConstructionCase> {};

TEST_P(ChunkerConstruction, ChecksInOrder)
{
    const auto c = GetParam();
    auto chunker = Chunker::create(bytes(std::vector<std::uint8_t>(std::size_t(c.size))), c.bitDepth, c.widthInBits);
    if (c.error) {
        ASSERT_FALSE(chunker.has_value());
        EXPECT_EQ(chunker.error(), *c.error);
    } else {
        EXPECT_TRUE(chunker.has_value());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChunkerConstruction,
    testing::Values(ConstructionCase{4127, 1, 32, ChunkerError::dataTooShort}, ConstructionCase{4128, 1, 32, {}},
                    ConstructionCase{32799, 8, 256, ChunkerError::dataTooShort}, ConstructionCase{32800, 8, 256, {}},
                    ConstructionCase{100000, 0, 32, ChunkerError::InvalidElementWidthInBits},
                    ConstructionCase{100000, -1, 32, ChunkerError::InvalidElementWidthInBits},
                    ConstructionCase{100000, 12, 96, ChunkerError::InvalidElementWidthInBits},
                    ConstructionCase{100000, 3, 5, ChunkerError::NotOnByteBoundary},
                    // The depth check comes before the size check.
                    ConstructionCase{10, 0, 32, ChunkerError::InvalidElementWidthInBits},
                    // Row widths whose chunk length overflows 64 bits are simply too long.
                    ConstructionCase{100000, 8, std::numeric_limits<std::int64_t>::max() / 8 * 8, ChunkerError::dataTooShort},
                    ConstructionCase{0, 1, 32, ChunkerError::dataTooShort}));

TEST(Chunker, ChunkEndingOnTheLastByteIsRefused)
{
    const IconFormat f = IconFormat::from(BitDepth::_1bit, Dimensions::_32x32);
    Chunker c = make(std::vector<std::uint8_t>(5000), f);
    EXPECT_EQ(c.chunkAt(5000 - 128, false).error(), ChunkerError::OutOfBounds);
    EXPECT_TRUE(c.chunkAt(5000 - 129, false).has_value());
    EXPECT_EQ(c.chunkAt(5000 - 128 + 1, false).error(), ChunkerError::OutOfBounds);
}

TEST(Chunker, OffsetsOutsideTheDataFailWithoutReading)
{
    Chunker c = make(std::vector<std::uint8_t>(5000), IconFormat::from(BitDepth::_1bit, Dimensions::_32x32));
    for (std::int64_t offset : {std::int64_t{-1}, std::numeric_limits<std::int64_t>::min(),
                                std::numeric_limits<std::int64_t>::max(), std::numeric_limits<std::int64_t>::max() - 127,
                                std::int64_t{5000}, std::int64_t{1} << 40})
        EXPECT_EQ(c.chunkAt(offset, false).error(), ChunkerError::OutOfBounds) << offset;
}

TEST(Chunker, MaskPlaneMustLieWithinTheData)
{
    Chunker c = make(std::vector<std::uint8_t>(5000), IconFormat::from(BitDepth::_1bit, Dimensions::_32x32));
    EXPECT_TRUE(c.chunkAt(5000 - 256, true).has_value());
    EXPECT_EQ(c.chunkAt(5000 - 255, true).error(), ChunkerError::OutOfBounds);
    EXPECT_TRUE(c.chunkAt(5000 - 255, false).has_value());
}

struct AssignedFormat {
    std::int64_t bitDepth, widthInBits;
    ChunkerError error;
};

class UndecodableAssignedFormat : public testing::TestWithParam<AssignedFormat> {};

TEST_P(UndecodableAssignedFormat, IsRefusedAndShowsNoTiles)
{
    const auto p = GetParam();
    Chunker c = make(pq::test::randomBytes(10000, 1), IconFormat::from(BitDepth::_1bit, Dimensions::_32x32));
    c.setBitDepth(p.bitDepth);
    c.setWidthInBits(p.widthInBits);
    for (bool mask : {false, true}) {
        auto chunk = c.chunkAt(0, mask);
        ASSERT_FALSE(chunk.has_value());
        EXPECT_EQ(chunk.error(), p.error);
    }
    EXPECT_EQ(c.tileCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UndecodableAssignedFormat,
    testing::Values(AssignedFormat{0, 32, ChunkerError::InvalidElementWidthInBits},
                    AssignedFormat{-1, 32, ChunkerError::InvalidElementWidthInBits},
                    AssignedFormat{3, 96, ChunkerError::InvalidElementWidthInBits},
                    AssignedFormat{2, 64, ChunkerError::InvalidElementWidthInBits},
                    AssignedFormat{16, 512, ChunkerError::InvalidElementWidthInBits},
                    AssignedFormat{8, 0, ChunkerError::InvalidElementWidthInBits},
                    AssignedFormat{1, -32, ChunkerError::InvalidElementWidthInBits},
                    AssignedFormat{8, std::numeric_limits<std::int64_t>::max(), ChunkerError::InvalidElementWidthInBits},
                    AssignedFormat{1, 1 << 20, ChunkerError::InvalidElementWidthInBits},
                    AssignedFormat{4, 12, ChunkerError::NotOnByteBoundary},
                    AssignedFormat{1, 12, ChunkerError::NotOnByteBoundary},
                    AssignedFormat{8, 12, ChunkerError::NotOnByteBoundary}));

TEST(Chunker, TileCountMayGoNegativeAfterAFormatSwitch)
{
    Chunker c = make(std::vector<std::uint8_t>(5000), IconFormat::from(BitDepth::_1bit, Dimensions::_32x32));
    EXPECT_EQ(c.tileCount(), 5000 / 4 - 128);
    c.setBitDepth(8);
    c.setWidthInBits(256);
    EXPECT_EQ(c.tileCount(), 156 - 1024);
}

TEST(Chunker, CopiesShareTheBytesButNotTheFormat)
{
    Chunker a = make(std::vector<std::uint8_t>(5000), IconFormat::from(BitDepth::_1bit, Dimensions::_32x32));
    Chunker b = a;
    b.setFormat(IconFormat::from(BitDepth::_8bit, Dimensions::_16x16));
    EXPECT_EQ(a.data().get(), b.data().get());
    EXPECT_EQ(a.data()->data(), b.data()->data());
    EXPECT_EQ(a.bitDepth(), 1);
    EXPECT_EQ(a.widthInBits(), 32);
    EXPECT_EQ(b.widthInBits(), 128);
}

class BlankChunk : public testing::TestWithParam<BitDepth> {};

TEST_P(BlankChunk, ZeroBytesAreBlankAndWhite)
{
    const IconFormat f = IconFormat::from(GetParam(), Dimensions::_32x32);
    std::vector<std::uint8_t> data(40000);
    Chunker c = make(data, f);
    auto chunk = c.chunkAt(0, false);
    ASSERT_TRUE(chunk.has_value());
    EXPECT_TRUE(chunk->isBlank);
    EXPECT_EQ(chunk->length, f.chunkLength());
    EXPECT_TRUE(chunk->maskArray.isEmpty());
    ASSERT_EQ(chunk->pixelArray.rows(), 32);
    const Color white = GetParam() == BitDepth::_1bit ? Color::white() : paletteColour(int(f.bitDepth), 0);
    for (const Color& px : chunk->pixelArray.pixels())
        EXPECT_EQ(px, white);

    // One non-zero byte anywhere in the pixel plane; the mask plays no part.
    data[std::size_t(f.chunkLength() - 1)] = 0x10;
    Chunker d = make(data, f);
    EXPECT_FALSE(d.chunkAt(0, false)->isBlank);
    EXPECT_FALSE(d.chunkAt(0, true)->isBlank);
    data[std::size_t(f.chunkLength() - 1)] = 0;
    data[std::size_t(f.chunkLength())] = 0xFF; // first mask byte
    Chunker e = make(data, f);
    EXPECT_TRUE(e.chunkAt(0, true)->isBlank);
}

INSTANTIATE_TEST_SUITE_P(AllDepths, BlankChunk, testing::Values(BitDepth::_1bit, BitDepth::_4bit, BitDepth::_8bit));

TEST(Chunker, OneBitRowIsMostSignificantBitFirst)
{
    std::vector<std::uint8_t> data(5000);
    data[0] = 0x80;
    data[1] = 0x01;
    Chunker c = make(data, IconFormat::from(BitDepth::_1bit, Dimensions::_16x16));
    auto chunk = c.chunkAt(0, false);
    ASSERT_TRUE(chunk.has_value());
    EXPECT_FALSE(chunk->colorTable);
    EXPECT_EQ(chunk->pixelArray.at(0, 0), Color::black());
    for (int x = 1; x < 15; ++x)
        EXPECT_EQ(chunk->pixelArray.at(0, x), Color::white()) << x;
    EXPECT_EQ(chunk->pixelArray.at(0, 15), Color::black());
}

TEST(Chunker, FourBitRowIsHighNibbleFirst)
{
    std::vector<std::uint8_t> data(5000);
    data[0] = 0x80;
    data[1] = 0x01;
    Chunker c = make(data, IconFormat::from(BitDepth::_4bit, Dimensions::_16x16));
    auto chunk = c.chunkAt(0, false);
    ASSERT_TRUE(chunk.has_value());
    ASSERT_TRUE(chunk->colorTable);
    EXPECT_EQ(chunk->colorTable->ctTable.size(), 16u);
    const int expected[] = {8, 0, 0, 1};
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(chunk->pixelArray.at(0, x), paletteColour(4, expected[x])) << x;
    // The highest value is the palette's black, which still differs from the predefined black.
    data[2] = 0xF0;
    auto black = make(data, IconFormat::from(BitDepth::_4bit, Dimensions::_16x16)).chunkAt(0, false);
    EXPECT_EQ(black->pixelArray.at(0, 4), paletteColour(4, 15));
    EXPECT_NE(black->pixelArray.at(0, 4), Color::black());
}

TEST(Chunker, EightBitPixelIsThePaletteEntryOfItsByte)
{
    std::vector<std::uint8_t> data(40000);
    for (int i = 0; i < 256; ++i)
        data[std::size_t(100 + i)] = std::uint8_t(i);
    Chunker c = make(data, IconFormat::from(BitDepth::_8bit, Dimensions::_16x16));
    auto chunk = c.chunkAt(100, false);
    ASSERT_TRUE(chunk.has_value());
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(chunk->pixelArray.at(i / 16, i % 16), paletteColour(8, i)) << i;
}

TEST(Chunker, OneBitMaskFollowsThePixelPlane)
{
    std::vector<std::uint8_t> data(5000);
    std::fill(data.begin(), data.begin() + 128, 0xFF); // all black
    data[128] = 0xF0;                                   // mask: first four pixels of row 0 opaque
    data[128 + 127] = 0x01;                             // and the last pixel of the last row
    Chunker c = make(data, IconFormat::from(BitDepth::_1bit, Dimensions::_32x32));
    auto chunk = c.chunkAt(0, true);
    ASSERT_TRUE(chunk.has_value());
    EXPECT_EQ(chunk->length, 128);
    const PixelArray& p = chunk->pixelArray;
    for (int x = 0; x < 32; ++x)
        EXPECT_EQ(p.at(0, x), x < 4 ? Color::black() : Color::clear()) << x;
    EXPECT_EQ(p.at(31, 31), Color::black());
    EXPECT_EQ(p.at(31, 30), Color::clear());
    EXPECT_EQ(p.at(5, 5), Color::clear());
}

TEST(Chunker, ColourMasksAreOpaqueOnlyWhereTheElementIsOne)
{
    std::vector<std::uint8_t> data(40000);
    std::fill(data.begin(), data.begin() + 256, 0x07); // 8-bit 16x16: every pixel entry 7
    data[256 + 0] = 1;
    data[256 + 1] = 2;
    data[256 + 2] = 0xFF;
    Chunker c = make(data, IconFormat::from(BitDepth::_8bit, Dimensions::_16x16));
    auto chunk = c.chunkAt(0, true);
    ASSERT_TRUE(chunk.has_value());
    EXPECT_EQ(chunk->pixelArray.at(0, 0), paletteColour(8, 7));
    EXPECT_EQ(chunk->pixelArray.at(0, 1), Color::clear());
    EXPECT_EQ(chunk->pixelArray.at(0, 2), Color::clear());
    EXPECT_EQ(chunk->pixelArray.at(0, 3), Color::clear());

    // 4-bit: nibble 1 opaque, anything else clear.
    std::vector<std::uint8_t> d4(40000);
    std::fill(d4.begin(), d4.begin() + 128, 0x33);
    d4[128] = 0x12;
    auto c4 = make(d4, IconFormat::from(BitDepth::_4bit, Dimensions::_16x16)).chunkAt(0, true);
    EXPECT_EQ(c4->pixelArray.at(0, 0), paletteColour(4, 3));
    EXPECT_EQ(c4->pixelArray.at(0, 1), Color::clear());
}

// Every format against an independent bit-by-bit reading of random data.
class DecodeAgainstReference : public testing::TestWithParam<std::tuple<BitDepth, Dimensions, bool>> {};

TEST_P(DecodeAgainstReference, RandomData)
{
    const auto [depth, size, mask] = GetParam();
    const IconFormat f = IconFormat::from(depth, size);
    const auto data = pq::test::randomBytes(40000, 7);
    Chunker c = make(data, f);
    const std::int64_t n = f.pixelsPerSide();
    for (std::int64_t offset : {std::int64_t{0}, std::int64_t{1}, std::int64_t{333}, std::int64_t{12345}}) {
        auto chunk = c.chunkAt(offset, mask);
        ASSERT_TRUE(chunk.has_value());
        for (std::int64_t r = 0; r < n; ++r) {
            for (std::int64_t x = 0; x < n; ++x) {
                const std::int64_t bit = (r * n + x) * f.bitDepth; // bit index within the plane
                auto element = [&](std::int64_t base) {
                    const std::uint8_t byte = data[std::size_t(base + bit / 8)];
                    const int shift = 8 - int(f.bitDepth) - int(bit % 8);
                    return (byte >> shift) & ((1 << f.bitDepth) - 1);
                };
                const int v = element(offset);
                Color want = f.bitDepth == 1 ? (v ? Color::black() : Color::white()) : paletteColour(int(f.bitDepth), v);
                if (mask && element(offset + f.chunkLength()) != 1)
                    want = Color::clear();
                ASSERT_EQ(chunk->pixelArray.at(r, x), want) << "offset " << offset << " row " << r << " col " << x;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, DecodeAgainstReference,
                         testing::Combine(testing::Values(BitDepth::_1bit, BitDepth::_4bit, BitDepth::_8bit),
                                          testing::Values(Dimensions::_32x32, Dimensions::_16x16), testing::Bool()));

TEST(FileData, ReadsWholeFilesAndReportsMissingOnes)
{
    const auto bytesIn = pq::test::randomBytes(200000, 3);
    const std::string path = pq::test::writeTempFile(bytesIn);
    auto data = FileData::readFile(path);
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ((*data)->size(), 200000);
    EXPECT_TRUE(std::equal(bytesIn.begin(), bytesIn.end(), (*data)->data()));

    auto missing = FileData::readFile(path + ".missing");
    ASSERT_FALSE(missing.has_value());
    EXPECT_EQ(missing.error().kind, FileReadError::Kind::NotFound);
    EXPECT_NE(missing.error().message(path).find("does not exist"), std::string::npos);

    auto folder = FileData::readFile(pq::test::makeTempDir().toStdString());
    ASSERT_FALSE(folder.has_value());
    EXPECT_EQ(folder.error().kind, FileReadError::Kind::IsDirectory);

    auto cancelled = FileData::readFile(path, [](std::int64_t, std::int64_t) { return false; });
    ASSERT_FALSE(cancelled.has_value());
    EXPECT_EQ(cancelled.error().kind, FileReadError::Kind::Cancelled);

    auto empty = FileData::readFile(pq::test::writeTempFile({}));
    ASSERT_TRUE(empty.has_value());
    EXPECT_EQ((*empty)->size(), 0);
}

} // namespace
} // namespace pq

namespace pq {
namespace {

TEST(Chunker, HoldsNoClassifierRequestWithoutAModelRuntime)
{
    EXPECT_EQ(classifierModelName(1), "Mono Icon Classifier");
    EXPECT_EQ(classifierModelName(4), "Color Icon Classifier");
    EXPECT_EQ(classifierModelName(8), "Color Icon Classifier");
    Chunker c = *Chunker::create(FileData::fromBytes(std::vector<std::uint8_t>(40000)), 1, 32);
    EXPECT_FALSE(c.coreMLRequest().has_value());
    c.setBitDepth(8);
    c.setWidthInBits(256);
    EXPECT_FALSE(c.coreMLRequest().has_value());
    EXPECT_TRUE(c.chunkAt(0, false).has_value()); // decoding works without a request
}

} // namespace
} // namespace pq
