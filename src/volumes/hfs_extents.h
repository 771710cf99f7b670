#pragma once

#include "volumes/volume.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <tuple>
#include <vector>

namespace pq {

// Where allocation blocks lie in the volume's bytes (HFS and MFS alike).
struct HfsGeometry {
    std::int64_t blockSize = 0;  // bytes in one allocation block
    std::int64_t firstBlock = 0; // offset of allocation block 0
    std::int64_t volumeSize = 0; // bytes in the volume's source
};

// The extents-overflow tree's records: (file ID, fork, first fork block) → three extent
// descriptors of 4 bytes (start block, block count), ordered by first fork block.
using HfsOverflowExtents = std::map<std::tuple<std::uint32_t, std::uint8_t, std::uint16_t>, std::array<std::uint8_t, 12>>;

// Adds one leaf record of the extents-overflow tree; false when it is too short to be one.
bool addOverflowRecord(HfsOverflowExtents& overflow, std::span<const std::uint8_t> key,
                       std::span<const std::uint8_t> data);

// A fork from the extent record in its catalog record (or master directory block), followed by
// the overflow records of that file and fork.
VolumeFork hfsFork(const HfsGeometry& geometry, std::span<const std::uint8_t, 12> firstRecord,
                const HfsOverflowExtents& overflow, std::uint32_t fileId, ForkKind kind,
                std::int64_t logicalSize);

} // namespace pq
