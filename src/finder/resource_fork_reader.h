#pragma once

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
};

// Reads the resource fork whose header would start at `offset`, believing it only when the
// header, the map's copy of it, the map's own offsets and every reference agree and lie within
// the file. Icon resources whose data have the wrong length or lie outside the fork's data are
// left out; everything else in a believable fork is simply not listed. Never reads outside
// `bytes`.
std::optional<ResourceForkListing> readResourceForkAt(std::span<const std::uint8_t> bytes, std::int64_t offset);

// The numbers of a resource fork's 16-byte header.
struct ResourceForkHeader {
    std::uint32_t dataOffset = 0, mapOffset = 0, dataLength = 0, mapLength = 0;

    // Bytes from the header to the end of the data or of the map, whichever is last.
    std::int64_t length() const;
};

// The cheap first test readResourceForkAt starts with: the header at `offset` when its numbers
// are plausible (each part at most 16 MiB, data and map apart). Only the 16 header bytes need
// lie within `bytes`, not the fork.
std::optional<ResourceForkHeader> plausibleResourceForkHeader(std::span<const std::uint8_t> bytes, std::int64_t offset);

// The second: whether the map's first kResourceMapStart bytes agree with the header: their copy
// of it equal (or left zero, as the Resource Manager often leaves it on disk) and the offsets of
// the type list and the name list inside the map.
inline constexpr std::int64_t kResourceMapStart = 28;
bool resourceMapStartAgrees(const ResourceForkHeader& header, std::span<const std::uint8_t> mapStart);

} // namespace pq
