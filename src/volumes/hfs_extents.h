#pragma once

#include "volumes/volume.h"

#include <cstdint>
#include <map>
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

// How HFS and HFS+ lay out what they share: HFS numbers allocation blocks with 16 bits, holds
// three extents in an extent record and gives B-tree keys a length byte; HFS+ uses 32 bits,
// eight extents and a 16-bit key length.
struct HfsLayout {
    std::size_t numberSize = 2;       // bytes of a block number or block count
    std::size_t extentsPerRecord = 3; // extent descriptors (start block, block count) in a record
    std::size_t keyLengthSize = 1;    // bytes of a B-tree key's length

    std::size_t extentRecordSize() const { return 2 * numberSize * extentsPerRecord; }
    std::uint32_t number(const std::uint8_t* p) const;
};
inline constexpr HfsLayout kHfsLayout{2, 3, 1};
inline constexpr HfsLayout kHfsPlusLayout{4, 8, 2};

// The extents-overflow tree's records: (file ID, fork, first fork block) → the record's extent
// descriptors as stored.
using HfsOverflowExtents = std::map<std::tuple<std::uint32_t, std::uint8_t, std::uint32_t>, std::vector<std::uint8_t>>;

// Adds one leaf record of the extents-overflow tree; false when it is too short to be one.
bool addOverflowRecord(const HfsLayout& layout, HfsOverflowExtents& overflow, std::span<const std::uint8_t> key,
                       std::span<const std::uint8_t> data);

// A fork from the extent record in its catalog record (or volume header), followed by the
// overflow records of that file and fork, each found by the fork block it continues from.
VolumeFork hfsFork(const HfsGeometry& geometry, const HfsLayout& layout, std::span<const std::uint8_t> firstRecord,
                   const HfsOverflowExtents& overflow, std::uint32_t fileId, ForkKind kind, std::int64_t logicalSize);

} // namespace pq
