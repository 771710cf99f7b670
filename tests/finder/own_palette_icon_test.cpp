#include "finder/resource_fork_reader.h"
#include "finder/structured_icon_finder.h"
#include "resource_fork_writer.h"
#include "sources/memory_byte_source.h"

#include <gtest/gtest.h>

#include <functional>

namespace pq {
namespace {

using Bytes = std::vector<std::uint8_t>;
using sample::put16, sample::put32;

// A PixMap record at `at` of a w × h icon of `depth` bits, its colour table at `table`.
void putPixMap(Bytes& b, std::size_t at, int w, int h, int depth, std::uint32_t table)
{
    put16(b, at + 4, std::uint16_t(0x8000 | ((w * depth + 15) / 16 * 2)));
    put16(b, at + 10, std::uint16_t(h));
    put16(b, at + 12, std::uint16_t(w));
    put16(b, at + 32, std::uint16_t(depth));
    put32(b, at + 42, table);
}

// A colour table of `n` entries at the end of `b`.
void appendColorTable(Bytes& b, int n)
{
    const std::size_t at = b.size();
    b.resize(at + 8 + 8 * std::size_t(n));
    put16(b, at + 6, std::uint16_t(n - 1));
}

std::size_t planeBytes(int w, int h, int depth) { return std::size_t((w * depth + 15) / 16 * 2 * h); }

// A 'cicn': PixMap, mask and bitmap records, a handle, both 1-bit planes, the table, the pixels.
Bytes colorIcon(int w, int h, int depth)
{
    Bytes b(82 + 2 * planeBytes(w, h, 1));
    putPixMap(b, 0, w, h, depth, 0);
    for (std::size_t bitMap : {50u, 64u}) {
        put16(b, bitMap + 4, std::uint16_t((w + 15) / 16 * 2));
        put16(b, bitMap + 10, std::uint16_t(h));
        put16(b, bitMap + 12, std::uint16_t(w));
    }
    appendColorTable(b, 1 << std::min(depth, 8));
    b.resize(b.size() + planeBytes(w, h, depth));
    return b;
}

// A 'crsr': the 96-byte CCrsr record, its PixMap, colour table and pixels.
Bytes colorCursor(int depth)
{
    Bytes b(96 + 50);
    put16(b, 0, 0x8001);
    put32(b, 2, 96);
    putPixMap(b, 96, 16, 16, depth, std::uint32_t(b.size()));
    appendColorTable(b, 1 << depth);
    put32(b, 6, std::uint32_t(b.size()));
    b.resize(b.size() + planeBytes(16, 16, depth));
    return b;
}

Bytes changed(Bytes b, const std::function<void(Bytes&)>& change)
{
    change(b);
    return b;
}

struct Case {
    const char* what;
    const char* type;
    Bytes data;
    std::optional<OwnPaletteIcon::Pixels> pixels;
};

TEST(OwnPaletteIcon, ReadsSizeAndDepthOrCallsTheRecordDamaged)
{
    using P = OwnPaletteIcon::Pixels;
    const Case cases[] = {
        {"8-bit colour icon", "cicn", colorIcon(32, 32, 8), P{32, 32, 8}},
        {"4-bit colour icon of odd width", "cicn", colorIcon(20, 12, 4), P{20, 12, 4}},
        {"colour cursor", "crsr", colorCursor(2), P{16, 16, 2}},
        {"pixels cut short", "cicn", changed(colorIcon(32, 32, 8), [](Bytes& b) { b.pop_back(); }), {}},
        {"depth 3", "cicn", changed(colorIcon(32, 32, 8), [](Bytes& b) { put16(b, 32, 3); }), {}},
        {"bounds upside down", "cicn", changed(colorIcon(32, 32, 8), [](Bytes& b) { put16(b, 6, 40); }), {}},
        {"absurd width", "cicn", changed(colorIcon(32, 32, 8), [](Bytes& b) { put16(b, 4, 0xBFFF); put16(b, 32, 1); put16(b, 12, 30000); }), {}},
        {"a BitMap, not a PixMap", "cicn", changed(colorIcon(32, 32, 8), [](Bytes& b) { b[4] &= 0x7F; }), {}},
        {"mask rows too short", "cicn", changed(colorIcon(32, 32, 8), [](Bytes& b) { put16(b, 54, 2); }), {}},
        {"colour table past the end", "cicn", changed(colorIcon(8, 8, 1), [](Bytes& b) { put16(b, 82 + 32 + 6, 0x7FFF); }), {}},
        {"cursor's PixMap past the end", "crsr", changed(colorCursor(2), [](Bytes& b) { put32(b, 2, 0xFFFFFFF0); }), {}},
        {"cursor's table past the end", "crsr", changed(colorCursor(2), [](Bytes& b) { put32(b, 96 + 42, 5000); }), {}},
        {"too short for a record", "crsr", Bytes(40), {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ownPaletteIconPixels(c.type, c.data), c.pixels) << c.what;
}

// Listed apart from the icons the decoder shows, with the fork's place, in a fork alone or
// found in larger bytes.
TEST(OwnPaletteIcon, ListedApartByTheForkReaderAndTheSearch)
{
    const auto fork = sample::writeResourceFork({{"cicn", 128, "Colour", colorIcon(32, 32, 8)},
                                                 {"ICON", 128, "", Bytes(128, 0x5A)},
                                                 {"crsr", 129, "", colorCursor(2)},
                                                 {"cicn", 130, "", Bytes(60)}});
    // In the map's order: by type, then by ID.
    const std::vector<OwnPaletteIcon> listed{{0, "cicn", 128, "Colour", OwnPaletteIcon::Pixels{32, 32, 8}},
                                             {0, "cicn", 130, std::nullopt, std::nullopt},
                                             {0, "crsr", 129, std::nullopt, OwnPaletteIcon::Pixels{16, 16, 2}}};
    const auto listing = readResourceForkAt(fork.bytes, 0);
    ASSERT_TRUE(listing);
    EXPECT_EQ(listing->icons.size(), 1u);
    EXPECT_EQ(listing->ownPaletteIcons, listed);
    EXPECT_EQ(ownPaletteNote(listed[0]), "own palette, not shown");
    EXPECT_EQ(ownPaletteNote(listed[1]), "damaged");

    Bytes image(777, 0xE5);
    image.insert(image.end(), fork.bytes.begin(), fork.bytes.end());
    std::vector<OwnPaletteIcon> found;
    EXPECT_EQ(findStructuredIcons(*memorySource(image), nullptr, {}, &found).value().size(), 1u);
    auto expected = listed;
    for (auto& icon : expected)
        icon.sourceOffset = 777;
    EXPECT_EQ(found, expected);
}

} // namespace
} // namespace pq
