#include "finder/resource_fork_reader.h"
#include "sources/mac_roman.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace pq {
namespace {

constexpr std::uint32_t kMaxForkPart = 16u << 20; // the Resource Manager's 16 MB limit
constexpr std::int64_t kMapHeader = kResourceMapStart; // header copy, next map, file ref, attributes, two offsets

struct Reader {
    std::span<const std::uint8_t> bytes;
    bool has(std::int64_t at, std::int64_t n) const
    {
        return at >= 0 && n >= 0 && at <= std::int64_t(bytes.size()) && n <= std::int64_t(bytes.size()) - at;
    }
    std::uint32_t u32(std::int64_t at) const
    {
        const auto* p = bytes.data() + at;
        return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
    }
    std::uint32_t u24(std::int64_t at) const
    {
        const auto* p = bytes.data() + at;
        return (std::uint32_t(p[0]) << 16) | (std::uint32_t(p[1]) << 8) | p[2];
    }
    std::uint16_t u16(std::int64_t at) const
    {
        const auto* p = bytes.data() + at;
        return std::uint16_t((p[0] << 8) | p[1]);
    }
};

ResourceForkHeader headerAt(const Reader& r, std::int64_t at)
{
    return {r.u32(at), r.u32(at + 4), r.u32(at + 8), r.u32(at + 12)};
}

} // namespace

std::int64_t ResourceForkHeader::length() const
{
    return std::max(std::int64_t(dataOffset) + dataLength, std::int64_t(mapOffset) + mapLength);
}

std::optional<ResourceForkHeader> plausibleResourceForkHeader(std::span<const std::uint8_t> bytes, std::int64_t offset)
{
    const Reader r{bytes};
    if (!r.has(offset, 16))
        return std::nullopt;
    const ResourceForkHeader h = headerAt(r, offset);
    if (h.dataOffset < 16 || h.dataOffset > kMaxForkPart || h.dataLength > kMaxForkPart)
        return std::nullopt;
    if (h.mapLength < kMapHeader + 2 || h.mapLength > kMaxForkPart || h.mapOffset < 16 || h.mapOffset > kMaxForkPart)
        return std::nullopt;
    // Data and map may come in either order but never overlap each other or the header.
    const std::uint64_t dataEnd = std::uint64_t(h.dataOffset) + h.dataLength;
    const std::uint64_t mapEnd = std::uint64_t(h.mapOffset) + h.mapLength;
    if (!(dataEnd <= h.mapOffset || mapEnd <= h.dataOffset))
        return std::nullopt;
    return h;
}

bool resourceMapStartAgrees(const ResourceForkHeader& h, std::span<const std::uint8_t> mapStart)
{
    const Reader r{mapStart};
    if (!r.has(0, kMapHeader))
        return false;
    // The map starts with a copy of the header, which the Resource Manager leaves zeroed on disk
    // as often as it fills it in.
    const ResourceForkHeader copy = headerAt(r, 0);
    const bool copyMatches = copy.dataOffset == h.dataOffset && copy.mapOffset == h.mapOffset &&
                             copy.dataLength == h.dataLength && copy.mapLength == h.mapLength;
    const bool copyZero = copy.dataOffset == 0 && copy.mapOffset == 0 && copy.dataLength == 0 && copy.mapLength == 0;
    const std::int64_t typeListOffset = r.u16(24);
    const std::int64_t nameListOffset = r.u16(26);
    return (copyMatches || copyZero) && typeListOffset >= kMapHeader && typeListOffset + 2 <= h.mapLength &&
           nameListOffset >= kMapHeader && nameListOffset <= h.mapLength;
}

std::optional<ResourceForkListing> readResourceForkAt(std::span<const std::uint8_t> bytes, std::int64_t offset)
{
    const Reader r{bytes};
    const auto h = plausibleResourceForkHeader(bytes, offset);
    if (!h || !r.has(offset, h->length()))
        return std::nullopt;
    const std::int64_t map = offset + h->mapOffset;
    const std::int64_t mapEnd = map + h->mapLength;
    const std::int64_t data = offset + h->dataOffset;
    if (!resourceMapStartAgrees(*h, bytes.subspan(std::size_t(map), std::size_t(kMapHeader))))
        return std::nullopt;
    const std::int64_t typeListOffset = r.u16(map + 24);
    const std::int64_t nameListOffset = r.u16(map + 26);
    const std::int64_t typeList = map + typeListOffset;
    const std::int64_t nameList = map + nameListOffset;
    const std::int64_t typeCount = std::int64_t(std::uint16_t(r.u16(typeList) + 1)); // stored as count - 1
    if (typeList + 2 + typeCount * 8 > mapEnd)
        return std::nullopt;

    ResourceForkListing listing;
    listing.offset = offset;
    listing.length = h->length();
    for (std::int64_t t = 0; t < typeCount; ++t) {
        const std::int64_t entry = typeList + 2 + t * 8;
        const std::string type(reinterpret_cast<const char*>(bytes.data() + entry), 4);
        const std::int64_t refCount = std::int64_t(r.u16(entry + 4)) + 1;
        const std::int64_t refList = typeList + r.u16(entry + 6);
        // Every type's reference list must lie within the map, or the map is not one.
        if (refList < typeList + 2 + typeCount * 8 || refList + refCount * 12 > mapEnd)
            return std::nullopt;
        const auto format = iconTypeFormat(type);
        if (!format)
            continue;
        for (std::int64_t k = 0; k < refCount; ++k) {
            const std::int64_t ref = refList + k * 12;
            const auto id = std::int16_t(r.u16(ref));
            const std::uint16_t nameOffset = r.u16(ref + 2);
            const std::int64_t dataOffset = r.u24(ref + 5);
            // The resource's data: a four-byte length, then the bytes, all within the data part.
            if (dataOffset + 4 > h->dataLength)
                continue;
            const std::int64_t length = r.u32(data + dataOffset);
            if (length != format->dataLength || dataOffset + 4 + length > h->dataLength)
                continue;
            StructuredIcon icon;
            icon.source = StructuredIcon::Source::Resource;
            icon.sourceOffset = offset;
            icon.type = type;
            icon.id = id;
            if (nameOffset != 0xFFFF) {
                const std::int64_t at = nameList + nameOffset;
                if (at < mapEnd) {
                    const std::int64_t n = bytes[std::size_t(at)];
                    if (at + 1 + n <= mapEnd && n > 0)
                        icon.name = macRomanToUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data() + at + 1), std::size_t(n)));
                }
            }
            icon.offset = data + dataOffset + 4;
            icon.bitDepth = format->bitDepth;
            icon.side = format->side;
            icon.hasMask = format->hasMask;
            listing.icons.push_back(std::move(icon));
        }
    }
    return listing;
}

} // namespace pq
