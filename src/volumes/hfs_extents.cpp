#include "volumes/hfs_extents.h"

#include "sources/byte_order.h"

#include <algorithm>

namespace pq {

std::uint32_t HfsLayout::number(const std::uint8_t* p) const { return numberSize == 2 ? be16(p) : be32(p); }

bool addOverflowRecord(const HfsLayout& layout, HfsOverflowExtents& overflow, std::span<const std::uint8_t> key,
                       std::span<const std::uint8_t> data)
{
    // Key: fork type (padded to an even offset in HFS+), file ID, first fork block; data: one
    // extent record.
    const std::size_t idAt = layout.keyLengthSize;
    if (key.size() < idAt + 4 + layout.numberSize || data.size() < layout.extentRecordSize())
        return false;
    overflow[{be32(key.data() + idAt), key[0], layout.number(key.data() + idAt + 4)}]
        .assign(data.begin(), data.begin() + std::ptrdiff_t(layout.extentRecordSize()));
    return true;
}

VolumeFork hfsFork(const HfsGeometry& geometry, const HfsLayout& layout, std::span<const std::uint8_t> firstRecord,
                   const HfsOverflowExtents& overflow, std::uint32_t fileId, ForkKind kind, std::int64_t logicalSize)
{
    VolumeFork fork{logicalSize, {}, {}};
    std::int64_t remaining = logicalSize;
    std::int64_t forkBlocks = 0; // allocation blocks in the records taken so far
    auto take = [&](std::span<const std::uint8_t> record) {
        for (std::size_t i = 0; i < layout.extentsPerRecord && remaining > 0; ++i) {
            const std::uint8_t* extent = record.data() + 2 * layout.numberSize * i;
            const std::int64_t blocks = layout.number(extent + layout.numberSize);
            if (blocks == 0)
                continue;
            forkBlocks += blocks;
            const std::int64_t offset = geometry.firstBlock + layout.number(extent) * geometry.blockSize;
            const std::int64_t length = std::min(blocks * geometry.blockSize, remaining);
            if (!rangeInside(offset, length, geometry.volumeSize)) {
                fork.damage = VolumeDamage::Kind::ExtentOutsideVolume;
                return;
            }
            fork.extents.push_back({offset, length});
            remaining -= length;
        }
    };
    // A fork cannot hold more bytes than the volume: its extents are not followed then.
    if (logicalSize <= geometry.volumeSize)
        take(firstRecord);
    // Each overflow record is keyed by the fork block it starts at: one that adds no blocks
    // would be found again, so the walk ends there.
    for (std::int64_t before = -1; remaining > 0 && !fork.damage && forkBlocks != before
         && forkBlocks <= std::int64_t(UINT32_MAX);) {
        const auto found = overflow.find({fileId, std::uint8_t(kind), std::uint32_t(forkBlocks)});
        if (found == overflow.end())
            break;
        before = forkBlocks;
        take(found->second);
    }
    if (remaining > 0 && !fork.damage)
        fork.damage = VolumeDamage::Kind::ForkShort;
    if (fork.damage)
        fork.extents = {};
    return fork;
}

} // namespace pq
