#include "volumes/apple_partition_map.h"

#include "sources/byte_order.h"

#include <algorithm>
#include <array>

namespace pq {

namespace {

constexpr std::int64_t kSectorSize = 512;
constexpr std::size_t kEntrySize = 80; // up to and including pmParType

std::string fixedText(const std::uint8_t* p, std::size_t length)
{
    const auto* end = std::find(p, p + length, std::uint8_t{0});
    return std::string(reinterpret_cast<const char*>(p), std::size_t(end - p));
}

bool entryAt(const ByteSource& disk, std::int64_t offset, std::array<std::uint8_t, kEntrySize>& entry)
{
    return disk.read(offset, std::as_writable_bytes(std::span(entry))) && entry[0] == 'P' && entry[1] == 'M';
}

} // namespace

std::vector<ApplePartition> readApplePartitionMap(const ByteSource& disk)
{
    std::array<std::uint8_t, 4> descriptor{};
    if (!disk.read(0, std::as_writable_bytes(std::span(descriptor))) || descriptor[0] != 'E' || descriptor[1] != 'R')
        return {};
    // Most maps lie in 512-byte blocks whatever the device's block size (CDs say 2048).
    std::array<std::uint8_t, kEntrySize> entry{};
    std::int64_t block = kSectorSize;
    if (!entryAt(disk, block, entry)) {
        block = be16(descriptor.data() + 2);
        if (block <= kSectorSize || block % kSectorSize != 0 || !entryAt(disk, block, entry))
            return {};
    }
    // Never more entries than blocks in the bytes, whatever the first entry claims.
    const std::int64_t count = std::min<std::int64_t>(be32(entry.data() + 4), disk.size() / block - 1);
    std::vector<ApplePartition> partitions;
    for (std::int64_t i = 1; i <= count && entryAt(disk, i * block, entry); ++i) {
        const std::int64_t start = std::int64_t(be32(entry.data() + 8)) * block;
        const std::int64_t length = std::int64_t(be32(entry.data() + 12)) * block;
        if (start >= disk.size())
            continue;
        partitions.push_back({start, std::min(length, disk.size() - start), fixedText(entry.data() + 16, 32),
                              fixedText(entry.data() + 48, 32)});
    }
    return partitions;
}

} // namespace pq
