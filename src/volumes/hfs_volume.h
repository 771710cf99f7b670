#pragma once

#include "sources/byte_source.h"
#include "volumes/hfs_extents.h"
#include "volumes/volume_damage.h"

#include <cstdint>
#include <expected>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pq {

// A folder in an HFS catalog. Names are UTF-8 (converted from Mac OS Roman); a path joins the
// names of the folders below the root folder with "/", a "/" inside a name written as ":".
// The root folder's path is empty.
struct HfsFolder {
    std::uint32_t id = 0;
    std::uint32_t parentId = 0;
    std::string name;
    std::string path;
    std::uint16_t finderFlags = 0;
};

// A file in an HFS catalog: type and creator are the four bytes as stored.
struct HfsFile {
    std::uint32_t id = 0;
    std::uint32_t parentId = 0;
    std::string name;
    std::string path;
    std::string type;
    std::string creator;
    std::uint16_t finderFlags = 0;
    HfsFork data;
    HfsFork resource;
};

// A classic Macintosh HFS volume: its master directory block, its catalog read from the
// catalog B-tree's leaves, and each file's forks as views over the volume's bytes. Damage met
// while reading the trees or a fork's extents is kept in damage(); what could be read is listed.
class HfsVolume {
public:
    static std::expected<HfsVolume, VolumeError> open(std::shared_ptr<const ByteSource> source);

    const std::string& name() const { return m_name; }
    const HfsGeometry& geometry() const { return m_geometry; }
    // Every folder and every file whose parent folders lead to the root, in catalog order.
    const std::vector<HfsFolder>& folders() const { return m_folders; }
    const std::vector<HfsFile>& files() const { return m_files; }
    const std::vector<VolumeDamage>& damage() const { return m_damage; }

    // The fork's bytes; ForkDamaged when its extents could not be followed.
    std::expected<std::shared_ptr<const ByteSource>, VolumeError> fork(const HfsFile& file, HfsForkKind kind) const;

private:
    HfsVolume() = default;
    std::expected<void, VolumeError> readCatalog(std::span<const std::uint8_t> masterBlock);
    // Adds a folder or file record of the catalog; thread records are passed over.
    void addCatalogRecord(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data,
                          const HfsOverflowExtents& overflow);
    void assignPaths();

    std::shared_ptr<const ByteSource> m_source;
    std::string m_name;
    HfsGeometry m_geometry;
    std::vector<HfsFolder> m_folders;
    std::vector<HfsFile> m_files;
    std::vector<VolumeDamage> m_damage;
};

// Where an HFS volume begins in `source`: at 0 (a bare volume) or after a DiskCopy 4.2
// header; nullopt when neither holds one.
std::optional<std::int64_t> findHfsVolume(const ByteSource& source);

} // namespace pq
