#include "volumes/volume.h"

#include <algorithm>
#include <unordered_map>

namespace pq {

std::string_view volumeFormatName(VolumeFormat format)
{
    switch (format) {
    case VolumeFormat::Mfs: return "MFS";
    case VolumeFormat::Hfs: return "HFS";
    case VolumeFormat::HfsPlus: return "HFS+";
    }
    return "HFS";
}

std::string_view forkKindName(ForkKind kind) { return kind == ForkKind::Data ? "data" : "resource"; }

Volume::Volume(std::shared_ptr<const ByteSource> source, VolumeFormat format, std::string name,
               std::vector<VolumeFolder> folders, std::vector<VolumeFile> files, std::vector<VolumeDamage> damage)
    : m_source(std::move(source))
    , m_format(format)
    , m_name(std::move(name))
    , m_folders(std::move(folders))
    , m_files(std::move(files))
    , m_damage(std::move(damage))
{
}

const VolumeFile* Volume::file(std::string_view path) const
{
    const auto found = std::ranges::find(m_files, path, &VolumeFile::path);
    return found == m_files.end() ? nullptr : &*found;
}

std::expected<std::shared_ptr<const ByteSource>, VolumeError> Volume::fork(const VolumeFile& file, ForkKind kind) const
{
    const VolumeFork& fork = file.fork(kind);
    if (fork.damage)
        return std::unexpected(VolumeError::ForkDamaged);
    auto source = ExtentByteSource::create(m_source, fork.extents);
    if (!source)
        return std::unexpected(VolumeError::ForkDamaged);
    return std::shared_ptr<const ByteSource>(std::move(*source));
}

std::optional<std::int64_t> Volume::imageOffset(const VolumeFork& fork, std::int64_t offset) const
{
    if (fork.damage || offset < 0)
        return std::nullopt;
    for (const Extent& extent : fork.extents) {
        if (offset < extent.length)
            return m_startInImage + extent.offset + offset;
        offset -= extent.length;
    }
    return std::nullopt;
}

void addVolumeFile(VolumeFile file, std::vector<VolumeFile>& files, std::vector<VolumeDamage>& damage)
{
    for (const VolumeFork* fork : {&file.data, &file.resource})
        if (fork->damage)
            damage.push_back({*fork->damage, VolumeDamage::Place::File, file.id});
    files.push_back(std::move(file));
}

std::string pathComponent(std::string name)
{
    std::replace(name.begin(), name.end(), '/', ':');
    return name;
}

void assignPaths(std::vector<VolumeFolder>& folders, std::vector<VolumeFile>& files, std::vector<VolumeDamage>& damage)
{
    std::unordered_map<std::uint32_t, std::size_t> folderIndex;
    for (std::size_t i = 0; i < folders.size(); ++i)
        folderIndex.emplace(folders[i].id, i);
    // The path of a folder, or nullopt when its parents do not lead to the root.
    auto folderPath = [&](std::uint32_t id) -> std::optional<std::string> {
        std::vector<const VolumeFolder*> chain;
        for (; id != kRootFolderId; id = chain.back()->parentId) {
            const auto found = folderIndex.find(id);
            if (found == folderIndex.end() || chain.size() > folders.size())
                return std::nullopt;
            chain.push_back(&folders[found->second]);
        }
        std::string path;
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            if (!path.empty())
                path += '/';
            path += pathComponent((*it)->name);
        }
        return path;
    };
    auto join = [](const std::string& folder, const std::string& name) {
        return folder.empty() ? pathComponent(name) : folder + "/" + pathComponent(name);
    };

    std::vector<std::optional<std::string>> folderPaths;
    for (const VolumeFolder& folder : folders)
        folderPaths.push_back(folderPath(folder.id));
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (!folderPaths[i])
            damage.push_back({VolumeDamage::Kind::NoParent, VolumeDamage::Place::Folder, folders[i].id});
        folders[i].path = folderPaths[i].value_or("");
    }
    std::erase_if(files, [&](VolumeFile& file) {
        const auto parent = folderPath(file.parentId);
        if (!parent)
            damage.push_back({VolumeDamage::Kind::NoParent, VolumeDamage::Place::File, file.id});
        file.path = join(parent.value_or(""), file.name);
        return !parent;
    });
    std::size_t next = 0;
    std::erase_if(folders, [&](const VolumeFolder&) { return !folderPaths[next++]; });
}

} // namespace pq
