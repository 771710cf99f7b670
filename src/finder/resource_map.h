#pragma once

#include "sources/byte_source.h"

#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pq {

// The numbers of a resource fork's 16-byte header.
struct ResourceForkHeader {
    std::uint32_t dataOffset = 0, mapOffset = 0, dataLength = 0, mapLength = 0;

    // Bytes from the header to the end of the data or of the map, whichever is last.
    std::int64_t length() const;
};

// The cheap first test of a fork: the header at `offset` when its numbers are plausible (each
// part at most 16 MiB, data and map apart). Only the 16 header bytes need lie within `bytes`,
// not the fork.
std::optional<ResourceForkHeader> plausibleResourceForkHeader(std::span<const std::uint8_t> bytes, std::int64_t offset);

// The second: whether the map's first kResourceMapStart bytes agree with the header: their copy
// of it equal (or left zero, as the Resource Manager often leaves it on disk) and the offsets of
// the type list and the name list inside the map.
inline constexpr std::int64_t kResourceMapStart = 28;
bool resourceMapStartAgrees(const ResourceForkHeader& header, std::span<const std::uint8_t> mapStart);

// One resource of a fork: its type (four bytes as stored), ID, name (UTF-8), attributes and where
// its data lie, counted in the bytes the fork was read from (after the data's length word).
struct ResourceEntry {
    std::string type;
    std::int16_t id = 0;
    std::optional<std::string> name;
    std::uint8_t attributes = 0;
    std::int64_t dataOffset = 0;
    std::int64_t dataLength = 0;

    friend bool operator==(const ResourceEntry&, const ResourceEntry&) = default;
};

// Every resource of a fork, in map order.
struct ResourceMap {
    std::int64_t offset = 0; // the fork's first byte (its header) in the bytes it was read from
    std::int64_t length = 0; // bytes from the header to the end of the data or map, whichever is last
    std::vector<ResourceEntry> resources;

    // The resource of that type and ID, or null.
    const ResourceEntry* find(std::string_view type, std::int16_t id) const;
};

// Reads the resource fork whose header would start at `offset`, believing it only when the
// header, the map's copy of it, the map's own offsets and every reference list agree and lie
// within `bytes`, and the reference lists together fit the map (so a map cannot list one
// reference list many times over). Resources whose data run past the data part are left out.
// Never reads outside `bytes`.
std::optional<ResourceMap> readResourceMap(std::span<const std::uint8_t> bytes, std::int64_t offset);

// The bytes of a whole resource fork (from its header to the end of its data or map) read from
// `fork`; empty when its header is not plausible or the fork is shorter than the header says.
std::expected<std::vector<std::uint8_t>, ReadError> readResourceForkBytes(const ByteSource& fork);

} // namespace pq
