#include "volumes/hfs_plus_volume.h"

#include "sources/byte_order.h"
#include "sources/unicode_text.h"
#include "volumes/hfs_btree.h"

#include <array>
#include <limits>
#include <unordered_set>

namespace pq {

namespace {

constexpr std::int64_t kHeaderOffset = 1024;
constexpr std::int64_t kHeaderSize = 512;
constexpr std::int64_t kSectorSize = 512;
constexpr std::int64_t kLargestBlock = std::int64_t{1} << 28;
// In the volume header: the extents-overflow file's and the catalog file's fork data.
constexpr std::size_t kExtentsForkAt = 192;
constexpr std::size_t kCatalogForkAt = 272;
// In a fork data: the logical size, then (after the clump size and block count) the extents.
constexpr std::size_t kForkExtentsAt = 16;
constexpr std::uint16_t kFolderRecord = 1;
constexpr std::uint16_t kFileRecord = 2;
constexpr std::size_t kFolderRecordSize = 88;
constexpr std::size_t kFileRecordSize = 248;
constexpr std::uint32_t kRootParentId = 1;
// In the master directory block of an HFS volume wrapping an HFS+ one.
constexpr std::int64_t kMasterBlockSize = 162;
constexpr std::size_t kEmbedSignatureAt = 124;
constexpr std::size_t kEmbedExtentAt = 126;

std::string fourBytes(const std::uint8_t* p) { return std::string(reinterpret_cast<const char*>(p), 4); }

std::int64_t logicalSize(const std::uint8_t* forkData)
{
    return std::int64_t(std::min<std::uint64_t>(be64(forkData), std::numeric_limits<std::int64_t>::max()));
}

HfsTreeFork treeFork(std::span<const std::uint8_t> header, std::size_t forkAt)
{
    return {logicalSize(header.data() + forkAt),
            header.subspan(forkAt + kForkExtentsAt, kHfsPlusLayout.extentRecordSize())};
}

// The catalog as it is read: what the leaves hold, then placed into folders.
struct CatalogReader {
    HfsGeometry geometry;
    const HfsOverflowExtents& overflow;
    std::string volumeName;
    std::vector<VolumeFolder> folders;
    std::vector<VolumeFile> files;
    std::vector<VolumeDamage> damage;
    std::unordered_set<std::uint32_t> fileIds;

    // Adds a folder or file record of the catalog; thread records are passed over.
    void addRecord(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data);
    VolumeFork fork(std::span<const std::uint8_t> forkData, std::uint32_t id, ForkKind kind);
};

void CatalogReader::addRecord(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data)
{
    const std::uint16_t type = data.size() >= 2 ? be16(data.data()) : 0;
    if (type != kFolderRecord && type != kFileRecord)
        return; // thread records: the same links, seen from the child
    // A file ID listed twice is a bad record: each file's overflow extents are followed once.
    // Key: parent ID, then the name's length in UTF-16 units and the units.
    const std::size_t nameLength = key.size() >= 6 ? be16(key.data() + 4) : 0;
    const std::size_t needed = type == kFolderRecord ? kFolderRecordSize : kFileRecordSize;
    if (key.size() < 6 + 2 * nameLength || data.size() < needed
        || (type == kFileRecord && !fileIds.insert(be32(data.data() + 8)).second)) {
        damage.push_back({VolumeDamage::Kind::BadRecord, VolumeDamage::Place::CatalogTree, 0});
        return;
    }
    const std::uint32_t parentId = be32(key.data());
    std::string name = utf16BeToUtf8(key.subspan(6, 2 * nameLength));
    const std::uint32_t id = be32(data.data() + 8);
    if (type == kFolderRecord) {
        if (parentId == kRootParentId && id == kRootFolderId)
            volumeName = name;
        folders.push_back({id, parentId, std::move(name), {}, be16(data.data() + 56)});
        return;
    }
    VolumeFile file{id, parentId, std::move(name), {}, fourBytes(data.data() + 48), fourBytes(data.data() + 52),
                    be16(data.data() + 56), fork(data.subspan(88, 80), id, ForkKind::Data),
                    fork(data.subspan(168, 80), id, ForkKind::Resource)};
    for (const VolumeFork* fork : {&file.data, &file.resource})
        if (fork->damage)
            damage.push_back({*fork->damage, VolumeDamage::Place::File, id});
    files.push_back(std::move(file));
}

VolumeFork CatalogReader::fork(std::span<const std::uint8_t> forkData, std::uint32_t id, ForkKind kind)
{
    return hfsFork(geometry, kHfsPlusLayout, forkData.subspan(kForkExtentsAt), overflow, id, kind,
                   logicalSize(forkData.data()));
}

} // namespace

std::expected<Volume, VolumeError> readHfsPlusVolume(std::shared_ptr<const ByteSource> source)
{
    std::array<std::uint8_t, kHeaderSize> header{};
    if (source->size() < kHeaderOffset + kHeaderSize)
        return std::unexpected(VolumeError::NotAVolume);
    if (!source->read(kHeaderOffset, std::as_writable_bytes(std::span(header))))
        return std::unexpected(VolumeError::ReadFailed);
    const std::uint16_t signature = be16(header.data());
    const std::uint16_t version = be16(header.data() + 2);
    if (!(signature == ('H' << 8 | '+') && version == 4) && !(signature == ('H' << 8 | 'X') && version == 5))
        return std::unexpected(VolumeError::NotAVolume);
    const std::int64_t blockSize = be32(header.data() + 40);
    if (blockSize < kSectorSize || blockSize > kLargestBlock || (blockSize & (blockSize - 1)) != 0)
        return std::unexpected(VolumeError::BadMasterBlock);

    HfsOverflowExtents overflow;
    CatalogReader reader{{blockSize, 0, source->size()}, overflow, {}, {}, {}, {}, {}};
    const auto walked = walkHfsCatalog(
        source, reader.geometry, kHfsPlusLayout, treeFork(header, kExtentsForkAt), treeFork(header, kCatalogForkAt),
        overflow, [&](std::span<const std::uint8_t> key, std::span<const std::uint8_t> data) { reader.addRecord(key, data); },
        reader.damage);
    if (!walked)
        return std::unexpected(walked.error());
    assignPaths(reader.folders, reader.files, reader.damage);
    return Volume(std::move(source), VolumeFormat::HfsPlus, std::move(reader.volumeName), std::move(reader.folders),
                  std::move(reader.files), std::move(reader.damage));
}

std::optional<Extent> embeddedHfsPlusVolume(const ByteSource& hfsVolume)
{
    std::array<std::uint8_t, kMasterBlockSize> mdb{};
    if (!hfsVolume.read(kHeaderOffset, std::as_writable_bytes(std::span(mdb))) || mdb[0] != 'B' || mdb[1] != 'D'
        || mdb[kEmbedSignatureAt] != 'H' || mdb[kEmbedSignatureAt + 1] != '+')
        return std::nullopt;
    const std::int64_t blockSize = be32(mdb.data() + 20);
    if (blockSize == 0 || blockSize % kSectorSize != 0)
        return std::nullopt;
    const Extent embedded{be16(mdb.data() + 28) * kSectorSize + be16(mdb.data() + kEmbedExtentAt) * blockSize,
                          be16(mdb.data() + kEmbedExtentAt + 2) * blockSize};
    if (embedded.length == 0 || !rangeInside(embedded.offset, embedded.length, hfsVolume.size()))
        return std::nullopt;
    return embedded;
}

} // namespace pq
