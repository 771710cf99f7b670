#pragma once

#include "finder/own_palette_icon.h"
#include "finder/resource_map.h"
#include "finder/structured_icon.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace pq {

// A classic resource fork found whole inside a larger file.
struct ResourceForkListing {
    std::int64_t offset = 0; // the fork's first byte (its 16-byte header) in the file
    std::int64_t length = 0; // bytes from the header to the end of the data or map, whichever is last
    std::vector<StructuredIcon> icons; // its icon resources, in map order
    std::vector<OwnPaletteIcon> ownPaletteIcons = {}; // its colour icons and cursors, listed only
};

// The icon resources of a fork in map order, offsets as the map counts them; those whose data
// have the wrong length are left out.
std::vector<StructuredIcon> iconResources(const ResourceMap& map);

// Reads the resource fork whose header would start at `offset` (as readResourceMap believes it)
// and lists its icon resources (and, apart, those it can only list). Never reads outside `bytes`.
std::optional<ResourceForkListing> readResourceForkAt(std::span<const std::uint8_t> bytes, std::int64_t offset);

} // namespace pq
