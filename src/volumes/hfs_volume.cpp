#include "volumes/hfs_volume.h"

#include "sources/byte_order.h"
#include "sources/mac_roman.h"
#include "volumes/hfs_btree.h"
#include "volumes/hfs_extents.h"

#include <algorithm>
#include <array>
#include <unordered_set>

namespace pq {

namespace {

constexpr std::int64_t kMasterBlockOffset = 1024;
constexpr std::int64_t kMasterBlockSize = 162;
constexpr std::int64_t kSectorSize = 512;
// In the master directory block: each tree's logical size, followed by its first extent record.
constexpr std::size_t kExtentsTreeSizeAt = 130;
constexpr std::size_t kCatalogTreeSizeAt = 146;
constexpr std::uint8_t kFolderRecord = 1;
constexpr std::uint8_t kFileRecord = 2;
constexpr std::size_t kFolderRecordSize = 70;
constexpr std::size_t kFileRecordSize = 102;

std::span<const std::uint8_t> extentRecordAt(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    return bytes.subspan(offset, kHfsLayout.extentRecordSize());
}

std::string fourBytes(const std::uint8_t* p) { return std::string(reinterpret_cast<const char*>(p), 4); }

bool hasSignatureAt(const ByteSource& source, std::int64_t offset)
{
    std::array<std::uint8_t, 2> signature{};
    return source.read(offset, std::as_writable_bytes(std::span(signature))) && signature[0] == 'B'
        && signature[1] == 'D';
}

// The catalog as it is read: what the leaves hold, then placed into folders.
struct CatalogReader {
    std::shared_ptr<const ByteSource> source;
    HfsGeometry geometry;
    std::vector<VolumeFolder> folders;
    std::vector<VolumeFile> files;
    std::vector<VolumeDamage> damage;
    std::unordered_set<std::uint32_t> fileIds;

    std::expected<void, VolumeError> read(std::span<const std::uint8_t> mdb);
    // Adds a folder or file record of the catalog; thread records are passed over.
    void addRecord(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data, const HfsOverflowExtents& overflow);
};

std::expected<void, VolumeError> CatalogReader::read(std::span<const std::uint8_t> mdb)
{
    HfsOverflowExtents overflow;
    auto treeFork = [&](std::size_t sizeAt) { return HfsTreeFork{be32(mdb.data() + sizeAt), extentRecordAt(mdb, sizeAt + 4)}; };
    return walkHfsCatalog(source, geometry, kHfsLayout, treeFork(kExtentsTreeSizeAt), treeFork(kCatalogTreeSizeAt), overflow,
                          [&](std::span<const std::uint8_t> key, std::span<const std::uint8_t> data) {
                              addRecord(key, data, overflow);
                          },
                          damage);
}

void CatalogReader::addRecord(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data,
                              const HfsOverflowExtents& overflow)
{
    if (data.empty() || (data[0] != kFolderRecord && data[0] != kFileRecord))
        return; // thread records: the same links, seen from the child
    const std::size_t nameLength = key.size() >= 6 ? key[5] : 0;
    const std::size_t needed = data[0] == kFolderRecord ? kFolderRecordSize : kFileRecordSize;
    // A file ID listed twice is a bad record: each file's overflow extents are followed once.
    if (key.size() < 6 + nameLength || data.size() < needed
        || (data[0] == kFileRecord && !fileIds.insert(be32(data.data() + 20)).second)) {
        damage.push_back({VolumeDamage::Kind::BadRecord, VolumeDamage::Place::CatalogTree, 0});
        return;
    }
    const std::uint32_t parentId = be32(key.data() + 1);
    std::string name = macRomanToUtf8(std::string_view(reinterpret_cast<const char*>(key.data() + 6), nameLength));
    if (data[0] == kFolderRecord) {
        folders.push_back({be32(data.data() + 6), parentId, std::move(name), {}, be16(data.data() + 30)});
        return;
    }
    const std::uint32_t id = be32(data.data() + 20);
    VolumeFile file{id, parentId, std::move(name), {}, fourBytes(data.data() + 4), fourBytes(data.data() + 8),
                    be16(data.data() + 12),
                    hfsFork(geometry, kHfsLayout, extentRecordAt(data, 74), overflow, id, ForkKind::Data, be32(data.data() + 26)),
                    hfsFork(geometry, kHfsLayout, extentRecordAt(data, 86), overflow, id, ForkKind::Resource, be32(data.data() + 36))};
    addVolumeFile(std::move(file), files, damage);
}

} // namespace

std::expected<Volume, VolumeError> readHfsVolume(std::shared_ptr<const ByteSource> source)
{
    std::array<std::uint8_t, kMasterBlockSize> mdb{};
    if (source->size() < kMasterBlockOffset + kMasterBlockSize || !hasSignatureAt(*source, kMasterBlockOffset))
        return std::unexpected(VolumeError::NotAVolume);
    if (!source->read(kMasterBlockOffset, std::as_writable_bytes(std::span(mdb))))
        return std::unexpected(VolumeError::ReadFailed);

    CatalogReader reader{source, {be32(mdb.data() + 20), be16(mdb.data() + 28) * kSectorSize, source->size()}, {}, {}, {}, {}};
    if (reader.geometry.blockSize == 0 || reader.geometry.blockSize % kSectorSize != 0)
        return std::unexpected(VolumeError::BadMasterBlock);
    std::string name = macRomanToUtf8(std::string_view(reinterpret_cast<const char*>(mdb.data() + 37),
                                                       std::min<std::size_t>(mdb[36], 27)));
    if (auto read = reader.read(mdb); !read)
        return std::unexpected(read.error());
    assignPaths(reader.folders, reader.files, reader.damage);
    return Volume(std::move(source), VolumeFormat::Hfs, std::move(name), std::move(reader.folders),
                  std::move(reader.files), std::move(reader.damage));
}

} // namespace pq
