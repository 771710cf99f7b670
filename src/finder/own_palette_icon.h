#pragma once

#include "finder/resource_map.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pq {

// A colour icon resource that carries its own palette: a colour icon ('cicn') or a colour cursor
// ('crsr'). The decoder shows only the system palettes, so these are listed, never shown: their
// size and depth come from the PixMap record inside the resource.
struct OwnPaletteIcon {
    struct Pixels {
        int width = 0;
        int height = 0;
        int depth = 0;
        friend bool operator==(const Pixels&, const Pixels&) = default;
    };

    std::int64_t sourceOffset = 0; // where the fork starts in the bytes read
    std::string type;              // "cicn" or "crsr"
    int id = 0;
    std::optional<std::string> name;
    std::int64_t recordOffset = 0; // the resource's first byte (its record, not pixels) in the bytes read
    std::optional<Pixels> pixels;  // none when the record is damaged

    bool damaged() const { return !pixels; }

    friend bool operator==(const OwnPaletteIcon&, const OwnPaletteIcon&) = default;
};

// The note such an icon is listed with: "own palette, not shown", or "damaged".
std::string_view ownPaletteNote(const OwnPaletteIcon& icon);

// Whether resources of this type are colour icons with their own palette.
bool isOwnPaletteIconType(std::string_view type);

// The size and depth of the colour icon or cursor record `data` of that type; none when the
// record is damaged: too short, a PixMap that is no PixMap, a depth QuickDraw has not, sides
// outside 1 to 1024, rows too short for the width, or planes and palette running past the data.
std::optional<OwnPaletteIcon::Pixels> ownPaletteIconPixels(std::string_view type, std::span<const std::uint8_t> data);

// The colour icons and cursors of a fork read from `bytes`, in map order.
std::vector<OwnPaletteIcon> ownPaletteIcons(const ResourceMap& map, std::span<const std::uint8_t> bytes);

} // namespace pq
