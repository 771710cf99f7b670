#pragma once

#include "finder/structured_icon.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace pq {

// An icon-family container: the magic "icns", a big-endian length of the whole container,
// then entries of a four-character type, a big-endian length (header included) and the data.
struct IconContainerListing {
    std::int64_t offset = 0;
    std::int64_t length = 0;
    std::vector<StructuredIcon> icons; // its entries of the seven icon types, in order
};

// Reads the container whose magic would start at `offset`. The container must lie within the
// file; its entries are walked until the first one that does not fit (the rest is damaged and
// skipped). Icon entries whose data length is wrong for their type are left out. A container
// with no entry that fits is no container.
std::optional<IconContainerListing> readIconContainerAt(std::span<const std::uint8_t> bytes, std::int64_t offset);

// The cheap first test readIconContainerAt starts with: the length the container whose magic
// would start at `offset` claims, when its first eight bytes lie within `bytes`, hold the magic
// and a length of at least 16; else 0. The container itself need not lie within `bytes`.
std::int64_t claimedIconContainerLength(std::span<const std::uint8_t> bytes, std::int64_t offset);

} // namespace pq
