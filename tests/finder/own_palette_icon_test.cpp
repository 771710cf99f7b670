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

Bytes colorIcon(int w, int h, int depth) { return sample::colorIconResource(w, h, depth); }
Bytes colorCursor(int depth) { return sample::colorCursorResource(depth); }

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
    const auto& at = fork.dataOffsets;
    const std::vector<OwnPaletteIcon> listed{{0, "cicn", 128, "Colour", at[0], OwnPaletteIcon::Pixels{32, 32, 8}},
                                             {0, "cicn", 130, std::nullopt, at[3], std::nullopt},
                                             {0, "crsr", 129, std::nullopt, at[2], OwnPaletteIcon::Pixels{16, 16, 2}}};
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
    for (auto& icon : expected) {
        icon.sourceOffset = 777;
        icon.recordOffset += 777;
    }
    EXPECT_EQ(found, expected);
}

} // namespace
} // namespace pq
