#include "finder/own_palette_icon.h"

#include "sources/byte_order.h"

#include <algorithm>
#include <array>

namespace pq {
namespace {

using Data = std::span<const std::uint8_t>;

constexpr std::int64_t kPixMap = 50; // QuickDraw's PixMap record
constexpr std::int64_t kBitMap = 14; // and BitMap record
constexpr std::int64_t kColorIconHeader = kPixMap + 2 * kBitMap + 4; // PixMap, mask, bitmap, data handle
constexpr std::int64_t kColorCursorHeader = 96; // the CCrsr record
constexpr int kMaxSide = 1024;

bool has(Data data, std::int64_t at, std::int64_t n)
{
    return at >= 0 && n >= 0 && at <= std::int64_t(data.size()) && n <= std::int64_t(data.size()) - at;
}

std::int64_t s16(Data data, std::int64_t at) { return std::int16_t(be16(data.data() + at)); }

// The height of the bounds rectangle (top, left, bottom, right) at `at`, and its width.
std::pair<std::int64_t, std::int64_t> boundsSize(Data data, std::int64_t at)
{
    return {s16(data, at + 4) - s16(data, at), s16(data, at + 6) - s16(data, at + 2)};
}

// A BitMap's plane length (rows × row bytes), or -1 when its rows or bounds make no sense.
std::int64_t bitMapLength(Data data, std::int64_t at)
{
    const std::int64_t rowBytes = be16(data.data() + at + 4) & 0x3FFF;
    const auto [height, width] = boundsSize(data, at + 6);
    if (height < 0 || width < 0 || height > kMaxSide || width > kMaxSide || rowBytes * 8 < width)
        return -1;
    return rowBytes * height;
}

// The pixels of the PixMap at `at` and its plane's length, when it is a believable PixMap.
std::optional<std::pair<OwnPaletteIcon::Pixels, std::int64_t>> pixMapAt(Data data, std::int64_t at)
{
    if (!has(data, at, kPixMap))
        return std::nullopt;
    const std::uint16_t rowWord = be16(data.data() + at + 4);
    const std::int64_t rowBytes = rowWord & 0x3FFF;
    const auto [height, width] = boundsSize(data, at + 6);
    const std::int64_t depth = be16(data.data() + at + 32);
    constexpr std::array depths{1, 2, 4, 8, 16, 32};
    if (!(rowWord & 0x8000) || std::ranges::find(depths, depth) == depths.end() || height < 1 || width < 1 ||
        height > kMaxSide || width > kMaxSide || rowBytes * 8 < width * depth)
        return std::nullopt;
    return std::pair{OwnPaletteIcon::Pixels{int(width), int(height), int(depth)}, rowBytes * height};
}

// The length of the colour table at `at`, or -1 when it runs past the data.
std::int64_t colorTableLength(Data data, std::int64_t at)
{
    if (!has(data, at, 8))
        return -1;
    const std::int64_t length = 8 + 8 * (s16(data, at + 6) + 1);
    return length >= 8 && has(data, at, length) ? length : -1;
}

// 'cicn': PixMap, mask BitMap, BitMap, a handle; then the mask's and the bitmap's planes, the
// colour table and the pixels.
std::optional<OwnPaletteIcon::Pixels> colorIconPixels(Data data)
{
    const auto pixMap = pixMapAt(data, 0);
    if (!pixMap || !has(data, 0, kColorIconHeader))
        return std::nullopt;
    const std::int64_t mask = bitMapLength(data, kPixMap), bitmap = bitMapLength(data, kPixMap + kBitMap);
    if (mask < 0 || bitmap < 0)
        return std::nullopt;
    const std::int64_t table = kColorIconHeader + mask + bitmap;
    const std::int64_t tableLength = colorTableLength(data, table);
    if (tableLength < 0 || !has(data, table + tableLength, pixMap->second))
        return std::nullopt;
    return pixMap->first;
}

// 'crsr': the CCrsr record, whose PixMap, pixels and (from the PixMap) colour table lie at
// offsets within the resource.
std::optional<OwnPaletteIcon::Pixels> colorCursorPixels(Data data)
{
    if (!has(data, 0, kColorCursorHeader) || !(be16(data.data()) & 0x8000))
        return std::nullopt;
    const std::int64_t mapAt = be32(data.data() + 2), pixelsAt = be32(data.data() + 6);
    const auto pixMap = pixMapAt(data, mapAt);
    if (!pixMap || !has(data, pixelsAt, pixMap->second) || colorTableLength(data, be32(data.data() + mapAt + 42)) < 0)
        return std::nullopt;
    return pixMap->first;
}

} // namespace

std::string_view ownPaletteNote(const OwnPaletteIcon& icon)
{
    return icon.damaged() ? "damaged" : "own palette, not shown";
}

bool isOwnPaletteIconType(std::string_view type)
{
    return type == "cicn" || type == "crsr";
}

std::optional<OwnPaletteIcon::Pixels> ownPaletteIconPixels(std::string_view type, Data data)
{
    if (type == "cicn")
        return colorIconPixels(data);
    if (type == "crsr")
        return colorCursorPixels(data);
    return std::nullopt;
}

std::vector<OwnPaletteIcon> ownPaletteIcons(const ResourceMap& map, Data bytes)
{
    std::vector<OwnPaletteIcon> icons;
    for (const ResourceEntry& r : map.resources)
        if (isOwnPaletteIconType(r.type))
            icons.push_back({map.offset, r.type, r.id, r.name, r.dataOffset,
                             ownPaletteIconPixels(r.type, bytes.subspan(std::size_t(r.dataOffset), std::size_t(r.dataLength)))});
    return icons;
}

} // namespace pq
