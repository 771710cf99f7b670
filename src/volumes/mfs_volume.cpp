#include "volumes/mfs_volume.h"

#include "sources/byte_order.h"
#include "sources/mac_roman.h"
#include "volumes/hfs_extents.h"

#include <algorithm>
#include <array>

namespace pq {

namespace {

constexpr std::int64_t kMasterBlockOffset = 1024;
// The master directory block's fields up to the volume name; the block map follows.
constexpr std::int64_t kMasterBlockSize = 64;
constexpr std::int64_t kLogicalBlockSize = 512;
constexpr std::uint16_t kSignature = 0xD2D7;
constexpr std::size_t kMaxVolumeName = 27;
// Allocation blocks are numbered from 2; in the map, 1 ends a chain and 0 is a free block.
constexpr std::uint32_t kFirstBlockNumber = 2;
constexpr std::uint16_t kEndOfChain = 1;
constexpr std::uint16_t kFreeBlock = 0;
// A directory entry: flags, version, Finder information, file number, both forks' first
// blocks and lengths, dates, then the name (a length byte and its characters).
constexpr std::size_t kEntryNameAt = 50;
constexpr std::uint8_t kEntryInUse = 0x80;

std::string fourBytes(const std::uint8_t* p) { return std::string(reinterpret_cast<const char*>(p), 4); }

// The 12-bit entries of the volume allocation block map: entry i is block (i + 2)'s successor.
std::vector<std::uint16_t> unpackBlockMap(std::span<const std::uint8_t> packed, std::size_t count)
{
    std::vector<std::uint16_t> next(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = packed.data() + i / 2 * 3;
        next[i] = i % 2 == 0 ? std::uint16_t(p[0] << 4 | p[1] >> 4) : std::uint16_t((p[1] & 0x0F) << 8 | p[2]);
    }
    return next;
}

// The volume as it is read: where blocks lie, the map, the files listed so far.
struct MfsReader {
    std::shared_ptr<const ByteSource> source;
    HfsGeometry geometry;
    std::vector<std::uint16_t> blockMap;
    std::vector<VolumeFile> files;
    std::vector<VolumeDamage> damage;
    // The last fork walk that passed each block: a chain that meets its own walk again loops.
    std::vector<std::uint32_t> walkOfBlock;
    std::uint32_t walk = 0;

    VolumeFork fork(std::uint32_t firstBlock, std::int64_t logicalSize);
    void readDirectoryBlock(std::uint32_t index, std::span<const std::uint8_t> block);
    void addFile(std::span<const std::uint8_t> entry);
};

// Follows the map's chain from `firstBlock` until it holds `logicalSize` bytes, merging runs
// of consecutive blocks into one extent. Each block is passed at most once, so a walk takes at
// most as many steps as the map has entries.
VolumeFork MfsReader::fork(std::uint32_t firstBlock, std::int64_t logicalSize)
{
    VolumeFork fork{logicalSize, {}, {}};
    ++walk;
    std::int64_t remaining = logicalSize;
    for (std::uint32_t block = firstBlock; remaining > 0 && !fork.damage; block = blockMap[block - kFirstBlockNumber]) {
        // A fork without blocks has a first block of 0; a chain's end is 1.
        if (block == (fork.extents.empty() ? kFreeBlock : kEndOfChain))
            fork.damage = VolumeDamage::Kind::ForkShort;
        else if (block < kFirstBlockNumber || block - kFirstBlockNumber >= blockMap.size())
            fork.damage = VolumeDamage::Kind::ChainLeavesMap;
        else if (walkOfBlock[block - kFirstBlockNumber] == walk)
            fork.damage = VolumeDamage::Kind::ChainLoops;
        if (fork.damage)
            break;
        walkOfBlock[block - kFirstBlockNumber] = walk;
        const std::int64_t offset = geometry.firstBlock + std::int64_t(block) * geometry.blockSize;
        const std::int64_t length = std::min(geometry.blockSize, remaining);
        if (!rangeInside(offset, length, geometry.volumeSize)) {
            fork.damage = VolumeDamage::Kind::ExtentOutsideVolume;
            break;
        }
        if (!fork.extents.empty() && fork.extents.back().offset + fork.extents.back().length == offset)
            fork.extents.back().length += length;
        else
            fork.extents.push_back({offset, length});
        remaining -= length;
    }
    if (fork.damage)
        fork.extents.clear();
    return fork;
}

// Lists the entries of one directory block: entries lie at even offsets, none crosses the
// block's end, and a first byte of 0 ends the block's entries.
void MfsReader::readDirectoryBlock(std::uint32_t index, std::span<const std::uint8_t> block)
{
    for (std::size_t at = 0; at < block.size() && block[at] != 0;) {
        const std::size_t length = kEntryNameAt + 1 + (at + kEntryNameAt < block.size() ? block[at + kEntryNameAt] : 0);
        if (at + length > block.size()) {
            damage.push_back({VolumeDamage::Kind::RecordOutsideNode, VolumeDamage::Place::CatalogTree, index});
            return;
        }
        if (block[at] & kEntryInUse)
            addFile(block.subspan(at, length));
        at += (length + 1) & ~std::size_t{1};
    }
}

void MfsReader::addFile(std::span<const std::uint8_t> entry)
{
    const std::uint8_t* e = entry.data();
    const std::uint32_t id = be32(e + 18);
    std::string name = macRomanToUtf8(std::string_view(reinterpret_cast<const char*>(e + kEntryNameAt + 1), e[kEntryNameAt]));
    VolumeFile file{id, kRootFolderId, std::move(name), {}, fourBytes(e + 2), fourBytes(e + 6), be16(e + 10),
                    fork(be16(e + 22), be32(e + 24)), fork(be16(e + 32), be32(e + 34))};
    addVolumeFile(std::move(file), files, damage);
}

} // namespace

std::expected<Volume, VolumeError> readMfsVolume(std::shared_ptr<const ByteSource> source)
{
    std::array<std::uint8_t, kMasterBlockSize> mdb{};
    if (!rangeInside(kMasterBlockOffset, kMasterBlockSize, source->size()))
        return std::unexpected(VolumeError::NotAVolume);
    if (!source->read(kMasterBlockOffset, std::as_writable_bytes(std::span(mdb))))
        return std::unexpected(VolumeError::ReadFailed);
    if (be16(mdb.data()) != kSignature)
        return std::unexpected(VolumeError::NotAVolume);

    const std::int64_t directoryStart = be16(mdb.data() + 14) * kLogicalBlockSize;
    const std::int64_t directoryBlocks = be16(mdb.data() + 16);
    const std::size_t blockCount = be16(mdb.data() + 18);
    const std::int64_t blockSize = be32(mdb.data() + 20);
    const std::int64_t mapSize = std::int64_t(blockCount * 3 + 1) / 2;
    if (blockSize == 0 || blockSize % kLogicalBlockSize != 0
        || !rangeInside(directoryStart, directoryBlocks * kLogicalBlockSize, source->size())
        || !rangeInside(kMasterBlockOffset + kMasterBlockSize, mapSize, source->size()))
        return std::unexpected(VolumeError::BadMasterBlock);

    std::vector<std::uint8_t> packedMap(static_cast<std::size_t>(mapSize));
    if (!source->read(kMasterBlockOffset + kMasterBlockSize, std::as_writable_bytes(std::span(packedMap))))
        return std::unexpected(VolumeError::ReadFailed);
    // Block 2 lies at drAlBlSt: the notional block 0 two blocks before it.
    const HfsGeometry geometry{blockSize, be16(mdb.data() + 28) * kLogicalBlockSize - kFirstBlockNumber * blockSize,
                               source->size()};
    MfsReader reader{source, geometry, unpackBlockMap(packedMap, blockCount), {}, {}, std::vector<std::uint32_t>(blockCount), 0};

    std::array<std::uint8_t, kLogicalBlockSize> block{};
    for (std::uint32_t i = 0; i < directoryBlocks; ++i) {
        if (source->read(directoryStart + i * kLogicalBlockSize, std::as_writable_bytes(std::span(block))))
            reader.readDirectoryBlock(i, block);
        else
            reader.damage.push_back({VolumeDamage::Kind::ReadFailed, VolumeDamage::Place::CatalogTree, i});
    }
    std::string name = macRomanToUtf8(std::string_view(reinterpret_cast<const char*>(mdb.data() + 37),
                                                       std::min<std::size_t>(mdb[36], kMaxVolumeName)));
    std::vector<VolumeFolder> folders;
    assignPaths(folders, reader.files, reader.damage);
    return Volume(std::move(source), VolumeFormat::Mfs, std::move(name), std::move(folders), std::move(reader.files),
                  std::move(reader.damage));
}

} // namespace pq
