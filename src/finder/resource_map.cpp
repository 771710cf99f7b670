#include "finder/resource_map.h"

#include "sources/byte_order.h"
#include "sources/mac_roman.h"

#include <algorithm>

namespace pq {
namespace {

constexpr std::uint32_t kMaxForkPart = 16u << 20; // the Resource Manager's 16 MB limit
constexpr std::int64_t kMapHeader = kResourceMapStart; // header copy, next map, file ref, attributes, two offsets
constexpr std::int64_t kTypeEntry = 8;
constexpr std::int64_t kReference = 12;

bool has(std::span<const std::uint8_t> bytes, std::int64_t at, std::int64_t n)
{
    return at >= 0 && n >= 0 && at <= std::int64_t(bytes.size()) && n <= std::int64_t(bytes.size()) - at;
}

std::uint32_t u24(const std::uint8_t* p) { return std::uint32_t(p[0]) << 16 | be16(p + 1); }

ResourceForkHeader headerAt(const std::uint8_t* p) { return {be32(p), be32(p + 4), be32(p + 8), be32(p + 12)}; }

// The Pascal string at `at` when it lies before `end` and is not empty.
std::optional<std::string> nameAt(std::span<const std::uint8_t> bytes, std::int64_t at, std::int64_t end)
{
    if (at >= end)
        return std::nullopt;
    const std::int64_t n = bytes[std::size_t(at)];
    if (n == 0 || at + 1 + n > end)
        return std::nullopt;
    return macRomanToUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data() + at + 1), std::size_t(n)));
}

} // namespace

std::int64_t ResourceForkHeader::length() const
{
    return std::max(std::int64_t(dataOffset) + dataLength, std::int64_t(mapOffset) + mapLength);
}

std::optional<ResourceForkHeader> plausibleResourceForkHeader(std::span<const std::uint8_t> bytes, std::int64_t offset)
{
    if (!has(bytes, offset, 16))
        return std::nullopt;
    const ResourceForkHeader h = headerAt(bytes.data() + offset);
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
    if (!has(mapStart, 0, kMapHeader))
        return false;
    // The map starts with a copy of the header, which the Resource Manager leaves zeroed on disk
    // as often as it fills it in.
    const ResourceForkHeader copy = headerAt(mapStart.data());
    const bool copyMatches = copy.dataOffset == h.dataOffset && copy.mapOffset == h.mapOffset &&
                             copy.dataLength == h.dataLength && copy.mapLength == h.mapLength;
    const bool copyZero = copy.dataOffset == 0 && copy.mapOffset == 0 && copy.dataLength == 0 && copy.mapLength == 0;
    const std::int64_t typeListOffset = be16(mapStart.data() + 24);
    const std::int64_t nameListOffset = be16(mapStart.data() + 26);
    return (copyMatches || copyZero) && typeListOffset >= kMapHeader && typeListOffset + 2 <= h.mapLength &&
           nameListOffset >= kMapHeader && nameListOffset <= h.mapLength;
}

const ResourceEntry* ResourceMap::find(std::string_view type, std::int16_t id) const
{
    const auto it = std::ranges::find_if(resources, [&](const ResourceEntry& r) { return r.type == type && r.id == id; });
    return it == resources.end() ? nullptr : &*it;
}

std::optional<ResourceMap> readResourceMap(std::span<const std::uint8_t> bytes, std::int64_t offset)
{
    const auto h = plausibleResourceForkHeader(bytes, offset);
    if (!h || !has(bytes, offset, h->length()))
        return std::nullopt;
    const std::int64_t map = offset + h->mapOffset;
    const std::int64_t mapEnd = map + h->mapLength;
    const std::int64_t data = offset + h->dataOffset;
    if (!resourceMapStartAgrees(*h, bytes.subspan(std::size_t(map), std::size_t(kMapHeader))))
        return std::nullopt;
    const std::uint8_t* p = bytes.data();
    const std::int64_t typeList = map + be16(p + map + 24);
    const std::int64_t nameList = map + be16(p + map + 26);
    const std::int64_t typeCount = std::int64_t(std::uint16_t(be16(p + typeList) + 1)); // stored as count - 1
    const std::int64_t refsStart = typeList + 2 + typeCount * kTypeEntry;
    if (refsStart > mapEnd)
        return std::nullopt;
    // Every type's reference list must lie within the map, and all of them fit in it together.
    std::int64_t refTotal = 0;
    for (std::int64_t t = 0; t < typeCount; ++t) {
        const std::int64_t entry = typeList + 2 + t * kTypeEntry;
        const std::int64_t refCount = std::int64_t(be16(p + entry + 4)) + 1;
        const std::int64_t refList = typeList + be16(p + entry + 6);
        refTotal += refCount;
        if (refList < refsStart || refList + refCount * kReference > mapEnd || refsStart + refTotal * kReference > mapEnd)
            return std::nullopt;
    }

    ResourceMap result{offset, h->length(), {}};
    for (std::int64_t t = 0; t < typeCount; ++t) {
        const std::int64_t entry = typeList + 2 + t * kTypeEntry;
        const std::string type(reinterpret_cast<const char*>(p + entry), 4);
        const std::int64_t refCount = std::int64_t(be16(p + entry + 4)) + 1;
        const std::int64_t refList = typeList + be16(p + entry + 6);
        for (std::int64_t k = 0; k < refCount; ++k) {
            const std::uint8_t* ref = p + refList + k * kReference;
            // The resource's data: a four-byte length, then the bytes, all within the data part.
            const std::int64_t at = u24(ref + 5);
            if (at + 4 > h->dataLength)
                continue;
            const std::int64_t length = be32(p + data + at);
            if (at + 4 + length > h->dataLength)
                continue;
            const std::uint16_t nameOffset = be16(ref + 2);
            result.resources.push_back({type, std::int16_t(be16(ref)),
                                        nameOffset == 0xFFFF ? std::nullopt : nameAt(bytes, nameList + nameOffset, mapEnd),
                                        ref[4], data + at + 4, length});
        }
    }
    return result;
}

std::expected<std::vector<std::uint8_t>, ReadError> readResourceForkBytes(const ByteSource& fork)
{
    std::vector<std::uint8_t> bytes(16);
    if (fork.size() < 16)
        return std::vector<std::uint8_t>{};
    if (auto read = fork.read(0, std::as_writable_bytes(std::span(bytes))); !read)
        return std::unexpected(read.error());
    const auto header = plausibleResourceForkHeader(bytes, 0);
    if (!header || header->length() > fork.size())
        return std::vector<std::uint8_t>{};
    bytes.resize(std::size_t(header->length()));
    if (auto read = fork.read(0, std::as_writable_bytes(std::span(bytes))); !read)
        return std::unexpected(read.error());
    return bytes;
}

} // namespace pq
