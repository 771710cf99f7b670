#include "decoding/color.h"
#include "decoding/color_table.h"

#include <gtest/gtest.h>

namespace pq {
namespace {

TEST(ColorTable, StoredLayoutOfThePalettes)
{
    const auto& image = colorTable4Bit();
    EXPECT_EQ(image.size(), 136u);
    const ColorTable t = parseColorTable(image);
    EXPECT_EQ(t.ctSeed, 8);
    EXPECT_EQ(t.ctFlags, 0x8000);
    EXPECT_EQ(t.ctSize, 15);
    ASSERT_EQ(t.ctTable.size(), 16u);
    EXPECT_EQ(t.ctTable[15], (ColorSpec{0x000F, 0, 0, 0})); // every entry's value is 0x000F
    // Stored big-endian: seed, flags, size, then entry 0 = value 0x000F, white.
    const std::vector<std::uint8_t> head(image.begin(), image.begin() + 16);
    EXPECT_EQ(head, (std::vector<std::uint8_t>{0, 0, 0, 8, 0x80, 0, 0, 15, 0, 0x0F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    // The 256-colour palette's colours are checked through the decoder; here its stored size.
    EXPECT_EQ(std::tuple(colorTable8Bit().size(), parseColorTable(colorTable8Bit()).ctTable.size()), std::tuple(2056u, 256u));
}

TEST(ColorTable, ShortImagesReadZeroInsteadOfPastTheEnd)
{
    const ColorTable empty = parseColorTable({});
    EXPECT_EQ(empty.ctSize, 0);
    ASSERT_EQ(empty.ctTable.size(), 1u);
    EXPECT_EQ(empty.ctTable[0], ColorSpec{});

    // A header that claims 65535 entries over a 12-byte image.
    const std::vector<std::uint8_t> truncated{0, 0, 0, 1, 0, 0, 0xFF, 0xFF, 0, 1, 0x12, 0x34};
    const ColorTable t = parseColorTable(truncated);
    ASSERT_EQ(t.ctTable.size(), 65536u);
    EXPECT_EQ(t.ctTable[0], (ColorSpec{1, 0x1234, 0, 0}));
    EXPECT_EQ(t.ctTable[65535], ColorSpec{});
}

TEST(Color, PredefinedColoursDifferFromPaletteColoursWithEqualComponents)
{
    EXPECT_NE(Color::fromRgb16(0, 0, 0), Color::black());
    EXPECT_NE(Color::fromRgb16(0xFFFF, 0xFFFF, 0xFFFF), Color::white());
    EXPECT_NE(Color::clear(), Color::black());
    EXPECT_NE(Color::fromRgb16(1, 2, 3), Color::fromRgb16(1, 2, 4));
}

TEST(Color, ComponentConversions)
{
    const Color orange = Color::fromRgb16(0xFFFF, 0x6565, 0);
    EXPECT_DOUBLE_EQ(orange.redF(), 1.0);
    EXPECT_NEAR(orange.greenF(), 0.3961, 1e-4);
    EXPECT_EQ(orange.green8(), 0x65);
    EXPECT_EQ(orange.argb32Premultiplied(), 0xFFFF6500u);
    EXPECT_EQ(Color::clear().argb32Premultiplied(), 0u);
    EXPECT_EQ(Color::white().argb32Premultiplied(), 0xFFFFFFFFu);
    EXPECT_EQ(Color::clear().alphaF(), 0.0);
}

} // namespace
} // namespace pq
