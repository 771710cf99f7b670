#pragma once

#include "sources/byte_source.h"
#include "sources/extent_byte_source.h"
#include "volumes/volume_damage.h"

#include <cstdint>
#include <expected>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pq {

// The file systems of classic Macintosh volumes.
enum class VolumeFormat { Mfs, Hfs, HfsPlus };

// "MFS", "HFS" or "HFS+".
std::string_view volumeFormatName(VolumeFormat format);

// Which fork of a file: the values are HFS's own fork-type bytes.
enum class ForkKind : std::uint8_t { Data = 0x00, Resource = 0xFF };

// "data" or "resource".
std::string_view forkKindName(ForkKind kind);

// A fork: its logical size and where its bytes lie in the volume's bytes, cut to that size.
// When its extents leave the volume or hold too few bytes, `damage` says so and `extents` is
// empty.
struct VolumeFork {
    std::int64_t logicalSize = 0;
    std::vector<Extent> extents;
    std::optional<VolumeDamage::Kind> damage;
};

// Finder flag bits a reader of icons needs.
inline constexpr std::uint16_t kFinderHasCustomIcon = 0x0400;
inline constexpr std::uint16_t kFinderHasBundle = 0x2000;

// A folder of a volume. Names are UTF-8; a path joins the names of the folders below the root
// folder with "/", a "/" inside a name written as ":". The root folder's path is empty.
// (MFS has no folders: its files all lie in the root.)
struct VolumeFolder {
    std::uint32_t id = 0;
    std::uint32_t parentId = 0;
    std::string name;
    std::string path;
    std::uint16_t finderFlags = 0;
};

// A file of a volume: type and creator are the four bytes as stored.
struct VolumeFile {
    std::uint32_t id = 0;
    std::uint32_t parentId = 0;
    std::string name;
    std::string path;
    std::string type;
    std::string creator;
    std::uint16_t finderFlags = 0;
    VolumeFork data;
    VolumeFork resource;

    const VolumeFork& fork(ForkKind kind) const { return kind == ForkKind::Data ? data : resource; }
};

// A volume read from its bytes: its name, folders and files, each fork a view over the
// volume's bytes. Damage met while reading is kept in damage(); what could be read is listed.
class Volume {
public:
    Volume(std::shared_ptr<const ByteSource> source, VolumeFormat format, std::string name,
           std::vector<VolumeFolder> folders, std::vector<VolumeFile> files, std::vector<VolumeDamage> damage);

    VolumeFormat format() const { return m_format; }
    const std::string& name() const { return m_name; }
    // The volume's own bytes (a view from its first byte to its last).
    const std::shared_ptr<const ByteSource>& source() const { return m_source; }
    // Every folder (the root folder too, with an empty path) and every file whose parent
    // folders lead to the root.
    const std::vector<VolumeFolder>& folders() const { return m_folders; }
    const std::vector<VolumeFile>& files() const { return m_files; }
    const std::vector<VolumeDamage>& damage() const { return m_damage; }

    // Where the volume's first byte lies in the bytes it was found in (after a disk image's
    // header, inside a partition, inside a wrapping volume); 0 until set by whoever found it.
    std::int64_t startInImage() const { return m_startInImage; }
    void setStartInImage(std::int64_t start) { m_startInImage = start; }

    // The file at `path` (as files() lists it), or null.
    const VolumeFile* file(std::string_view path) const;

    // The fork's bytes; ForkDamaged when its extents could not be followed.
    std::expected<std::shared_ptr<const ByteSource>, VolumeError> fork(const VolumeFile& file, ForkKind kind) const;

    // Where the byte at `offset` in the fork lies in the bytes the volume was found in; nullopt
    // past the fork's end or for a damaged fork.
    std::optional<std::int64_t> imageOffset(const VolumeFork& fork, std::int64_t offset) const;

private:
    std::shared_ptr<const ByteSource> m_source;
    VolumeFormat m_format;
    std::string m_name;
    std::vector<VolumeFolder> m_folders;
    std::vector<VolumeFile> m_files;
    std::vector<VolumeDamage> m_damage;
    std::int64_t m_startInImage = 0;
};

// The root folder's ID in HFS and HFS+ catalogs (MFS files are all given it as their parent).
inline constexpr std::uint32_t kRootFolderId = 2;

// Gives every folder and file its path from the parent IDs, dropping (and adding to `damage`
// as NoParent) those whose parents do not lead to the root folder: a missing folder or a loop.
void assignPaths(std::vector<VolumeFolder>& folders, std::vector<VolumeFile>& files, std::vector<VolumeDamage>& damage);

// Adds `file` to `files`, and each of its damaged forks to `damage` as the file's.
void addVolumeFile(VolumeFile file, std::vector<VolumeFile>& files, std::vector<VolumeDamage>& damage);

// A name as one component of a path: "/" is the separator, so one inside a name is written
// as ":" (which no HFS name holds).
std::string pathComponent(std::string name);

} // namespace pq
