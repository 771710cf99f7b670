#include "volumes/hfs_volume.h"

#include "sources/byte_order.h"
#include "sources/mac_roman.h"
#include "volumes/hfs_btree.h"

#include <algorithm>
#include <array>
#include <unordered_map>

namespace pq {

namespace {

constexpr std::int64_t kMasterBlockOffset = 1024;
constexpr std::int64_t kMasterBlockSize = 162;
constexpr std::int64_t kSectorSize = 512;
constexpr std::uint32_t kRootFolderId = 2;
// In the master directory block: each tree's logical size, followed by its first extent record.
constexpr std::size_t kExtentsTreeSizeAt = 130;
constexpr std::size_t kCatalogTreeSizeAt = 146;
constexpr std::uint32_t kExtentsFileId = 3;
constexpr std::uint32_t kCatalogFileId = 4;
constexpr std::uint8_t kFolderRecord = 1;
constexpr std::uint8_t kFileRecord = 2;
constexpr std::size_t kFolderRecordSize = 70;
constexpr std::size_t kFileRecordSize = 102;

std::span<const std::uint8_t, 12> extentRecordAt(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    return bytes.subspan(offset).first<12>();
}

std::string fourBytes(const std::uint8_t* p) { return std::string(reinterpret_cast<const char*>(p), 4); }

// A name in a path: "/" is the separator, so one inside a name is written as ":" (which no
// HFS name holds).
std::string pathComponent(std::string name)
{
    std::replace(name.begin(), name.end(), '/', ':');
    return name;
}

bool hasSignatureAt(const ByteSource& source, std::int64_t offset)
{
    std::array<std::uint8_t, 2> signature{};
    return source.read(offset, std::as_writable_bytes(std::span(signature))) && signature[0] == 'B'
        && signature[1] == 'D';
}

} // namespace

std::expected<HfsVolume, VolumeError> HfsVolume::open(std::shared_ptr<const ByteSource> source)
{
    std::array<std::uint8_t, kMasterBlockSize> mdb{};
    if (source->size() < kMasterBlockOffset + kMasterBlockSize || !hasSignatureAt(*source, kMasterBlockOffset))
        return std::unexpected(VolumeError::NotHfs);
    if (!source->read(kMasterBlockOffset, std::as_writable_bytes(std::span(mdb))))
        return std::unexpected(VolumeError::ReadFailed);

    HfsVolume volume;
    volume.m_source = std::move(source);
    volume.m_geometry = {be32(mdb.data() + 20), be16(mdb.data() + 28) * kSectorSize, volume.m_source->size()};
    if (volume.m_geometry.blockSize == 0 || volume.m_geometry.blockSize % kSectorSize != 0)
        return std::unexpected(VolumeError::BadMasterBlock);
    volume.m_name = macRomanToUtf8(std::string_view(reinterpret_cast<const char*>(mdb.data() + 37),
                                                    std::min<std::size_t>(mdb[36], 27)));
    if (auto read = volume.readCatalog(mdb); !read)
        return std::unexpected(read.error());
    volume.assignPaths();
    return volume;
}

std::expected<void, VolumeError> HfsVolume::readCatalog(std::span<const std::uint8_t> mdb)
{
    HfsOverflowExtents overflow;
    // Walks the leaves of the tree whose logical size and first extent record the master
    // directory block holds at `sizeAt`; the catalog's extents may continue in the overflow tree.
    auto walkTree = [&](std::uint32_t fileId, std::size_t sizeAt, VolumeDamage::Place place,
                        const HfsLeafVisitor& visit) -> std::expected<void, VolumeError> {
        const HfsFork tree = hfsFork(m_geometry, extentRecordAt(mdb, sizeAt + 4), overflow, fileId, HfsForkKind::Data,
                                     be32(mdb.data() + sizeAt));
        const auto source = ExtentByteSource::create(m_source, tree.extents);
        if (tree.damage || !source)
            return std::unexpected(VolumeError::BadTreeHeader);
        return walkHfsLeaves(**source, place, visit, m_damage);
    };
    auto addOverflow = [&](std::span<const std::uint8_t> key, std::span<const std::uint8_t> data) {
        if (!addOverflowRecord(overflow, key, data))
            m_damage.push_back({VolumeDamage::Kind::BadRecord, VolumeDamage::Place::ExtentsTree, 0});
    };
    if (auto walked = walkTree(kExtentsFileId, kExtentsTreeSizeAt, VolumeDamage::Place::ExtentsTree, addOverflow); !walked)
        return walked;
    return walkTree(kCatalogFileId, kCatalogTreeSizeAt, VolumeDamage::Place::CatalogTree,
                    [&](std::span<const std::uint8_t> key, std::span<const std::uint8_t> data) {
                        addCatalogRecord(key, data, overflow);
                    });
}

void HfsVolume::addCatalogRecord(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data,
                                 const HfsOverflowExtents& overflow)
{
    if (data.empty() || (data[0] != kFolderRecord && data[0] != kFileRecord))
        return; // thread records: the same links, seen from the child
    const std::size_t nameLength = key.size() >= 6 ? key[5] : 0;
    const std::size_t needed = data[0] == kFolderRecord ? kFolderRecordSize : kFileRecordSize;
    if (key.size() < 6 + nameLength || data.size() < needed) {
        m_damage.push_back({VolumeDamage::Kind::BadRecord, VolumeDamage::Place::CatalogTree, 0});
        return;
    }
    const std::uint32_t parentId = be32(key.data() + 1);
    std::string name = macRomanToUtf8(std::string_view(reinterpret_cast<const char*>(key.data() + 6), nameLength));
    if (data[0] == kFolderRecord) {
        m_folders.push_back({be32(data.data() + 6), parentId, std::move(name), {}, be16(data.data() + 30)});
        return;
    }
    const std::uint32_t id = be32(data.data() + 20);
    HfsFile file{id, parentId, std::move(name), {}, fourBytes(data.data() + 4), fourBytes(data.data() + 8),
                 be16(data.data() + 12),
                 hfsFork(m_geometry, extentRecordAt(data, 74), overflow, id, HfsForkKind::Data, be32(data.data() + 26)),
                 hfsFork(m_geometry, extentRecordAt(data, 86), overflow, id, HfsForkKind::Resource, be32(data.data() + 36))};
    for (const HfsFork* fork : {&file.data, &file.resource})
        if (fork->damage)
            m_damage.push_back({*fork->damage, VolumeDamage::Place::File, id});
    m_files.push_back(std::move(file));
}

void HfsVolume::assignPaths()
{
    std::unordered_map<std::uint32_t, std::size_t> folderIndex;
    for (std::size_t i = 0; i < m_folders.size(); ++i)
        folderIndex.emplace(m_folders[i].id, i);
    // The path of a folder, or nullopt when its parents do not lead to the root (a missing
    // folder or a loop).
    auto folderPath = [&](std::uint32_t id) -> std::optional<std::string> {
        std::vector<const HfsFolder*> chain;
        for (; id != kRootFolderId; id = chain.back()->parentId) {
            const auto found = folderIndex.find(id);
            if (found == folderIndex.end() || chain.size() > m_folders.size())
                return std::nullopt;
            chain.push_back(&m_folders[found->second]);
        }
        std::string path;
        for (auto it = chain.rbegin(); it != chain.rend(); ++it)
            path += (path.empty() ? "" : "/") + pathComponent((*it)->name);
        return path;
    };
    auto join = [](const std::string& folder, const std::string& name) {
        return folder.empty() ? pathComponent(name) : folder + "/" + pathComponent(name);
    };

    std::erase_if(m_folders, [&](HfsFolder& folder) {
        // A folder is placed when its parents lead to the root; the root's path is empty.
        const auto path = folderPath(folder.id);
        if (!path)
            m_damage.push_back({VolumeDamage::Kind::NoParent, VolumeDamage::Place::Folder, folder.id});
        folder.path = path.value_or("");
        return !path;
    });
    std::erase_if(m_files, [&](HfsFile& file) {
        const auto parent = folderPath(file.parentId);
        if (!parent)
            m_damage.push_back({VolumeDamage::Kind::NoParent, VolumeDamage::Place::File, file.id});
        file.path = join(parent.value_or(""), file.name);
        return !parent;
    });
}

std::expected<std::shared_ptr<const ByteSource>, VolumeError> HfsVolume::fork(const HfsFile& file, HfsForkKind kind) const
{
    const HfsFork& fork = kind == HfsForkKind::Data ? file.data : file.resource;
    if (fork.damage)
        return std::unexpected(VolumeError::ForkDamaged);
    auto source = ExtentByteSource::create(m_source, fork.extents);
    if (!source)
        return std::unexpected(VolumeError::ForkDamaged);
    return std::shared_ptr<const ByteSource>(std::move(*source));
}

std::optional<std::int64_t> findHfsVolume(const ByteSource& source)
{
    // A DiskCopy 4.2 header: 84 bytes, a name of at most 63 characters, 0x0100 at offset 82.
    constexpr std::int64_t kDiskCopyHeader = 84;
    if (hasSignatureAt(source, kMasterBlockOffset))
        return 0;
    std::array<std::uint8_t, kDiskCopyHeader> header{};
    if (source.read(0, std::as_writable_bytes(std::span(header))) && header[0] <= 63 && be16(header.data() + 82) == 0x0100
        && hasSignatureAt(source, kDiskCopyHeader + kMasterBlockOffset))
        return kDiskCopyHeader;
    return std::nullopt;
}

} // namespace pq
