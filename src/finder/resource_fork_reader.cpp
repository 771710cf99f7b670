#include "finder/resource_fork_reader.h"

#include "finder/icon_family.h"

namespace pq {

std::vector<StructuredIcon> iconResources(const ResourceMap& map)
{
    std::vector<StructuredIcon> icons;
    for (const ResourceEntry& r : map.resources)
        appendStoredIcons(icons, {StructuredIcon::Source::Resource, map.offset, r.type, r.id, r.name, r.dataOffset}, r.dataLength);
    setFamilyMasks(icons);
    return icons;
}

std::optional<ResourceForkListing> readResourceForkAt(std::span<const std::uint8_t> bytes, std::int64_t offset)
{
    auto map = readResourceMap(bytes, offset);
    if (!map)
        return std::nullopt;
    return ResourceForkListing{map->offset, map->length, iconResources(*map), ownPaletteIcons(*map, bytes)};
}

} // namespace pq
