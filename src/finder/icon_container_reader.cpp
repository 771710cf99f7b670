#include "finder/icon_container_reader.h"

#include "finder/icon_family.h"

#include <cstring>
#include <string>

namespace pq {
namespace {

std::uint32_t be32(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

} // namespace

std::int64_t claimedIconContainerLength(std::span<const std::uint8_t> bytes, std::int64_t offset)
{
    if (offset < 0 || offset > std::int64_t(bytes.size()) - 8 || std::memcmp(bytes.data() + offset, "icns", 4) != 0)
        return 0;
    const std::int64_t length = be32(bytes.data() + offset + 4);
    return length < 16 ? 0 : length;
}

std::optional<IconContainerListing> readIconContainerAt(std::span<const std::uint8_t> bytes, std::int64_t offset)
{
    const std::int64_t length = claimedIconContainerLength(bytes, offset);
    if (length == 0 || length > std::int64_t(bytes.size()) - offset)
        return std::nullopt;
    IconContainerListing listing;
    listing.offset = offset;
    listing.length = length;
    const std::int64_t end = offset + length;
    std::int64_t entries = 0;
    for (std::int64_t at = offset + 8; at + 8 <= end;) {
        const std::int64_t entryLength = be32(bytes.data() + at + 4);
        if (entryLength < 8 || entryLength > end - at)
            break; // damaged from here on
        ++entries;
        StructuredIcon entry;
        entry.source = StructuredIcon::Source::Container;
        entry.sourceOffset = offset;
        entry.type.assign(reinterpret_cast<const char*>(bytes.data() + at), 4);
        entry.offset = at + 8;
        appendStoredIcons(listing.icons, entry, entryLength - 8);
        at += entryLength;
    }
    if (entries == 0)
        return std::nullopt;
    setFamilyMasks(listing.icons);
    return listing;
}

} // namespace pq
