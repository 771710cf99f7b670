#include "volumes/hfs_extents.h"

#include "sources/byte_order.h"

#include <algorithm>

namespace pq {

bool addOverflowRecord(HfsOverflowExtents& overflow, std::span<const std::uint8_t> key,
                       std::span<const std::uint8_t> data)
{
    // Key: fork type, file ID, first fork block; data: one extent record.
    if (key.size() < 7 || data.size() < 12)
        return false;
    std::array<std::uint8_t, 12> record{};
    std::copy_n(data.begin(), 12, record.begin());
    overflow[{be32(key.data() + 1), key[0], be16(key.data() + 5)}] = record;
    return true;
}

VolumeFork hfsFork(const HfsGeometry& geometry, std::span<const std::uint8_t, 12> firstRecord,
                const HfsOverflowExtents& overflow, std::uint32_t fileId, ForkKind kind,
                std::int64_t logicalSize)
{
    VolumeFork fork{logicalSize, {}, {}};
    std::int64_t remaining = logicalSize;
    auto take = [&](std::span<const std::uint8_t> record) {
        for (std::size_t i = 0; i < 12 && remaining > 0; i += 4) {
            const std::int64_t blocks = be16(record.data() + i + 2);
            if (blocks == 0)
                continue;
            const std::int64_t offset = geometry.firstBlock + be16(record.data() + i) * geometry.blockSize;
            const std::int64_t length = std::min(blocks * geometry.blockSize, remaining);
            if (!rangeInside(offset, length, geometry.volumeSize)) {
                fork.damage = VolumeDamage::Kind::ExtentOutsideVolume;
                return;
            }
            fork.extents.push_back({offset, length});
            remaining -= length;
        }
    };
    take(firstRecord);
    const auto forkByte = std::uint8_t(kind);
    for (auto it = overflow.lower_bound({fileId, forkByte, 0});
         it != overflow.end() && std::get<0>(it->first) == fileId && std::get<1>(it->first) == forkByte
         && remaining > 0 && !fork.damage;
         ++it)
        take(it->second);
    if (remaining > 0 && !fork.damage)
        fork.damage = VolumeDamage::Kind::ForkShort;
    if (fork.damage)
        fork.extents.clear();
    return fork;
}

} // namespace pq
