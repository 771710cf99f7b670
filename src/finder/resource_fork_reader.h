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

// The cheap first test readResourceForkAt starts with: the length the fork whose header would
// start at `offset` claims (from the header to the end of its data or its map, whichever is
// last; at most 32 MiB) when the header's numbers are plausible, else 0. The fork itself need
// not lie within `bytes`, only its 16-byte header.
std::int64_t claimedResourceForkLength(std::span<const std::uint8_t> bytes, std::int64_t offset);

} // namespace pq
