#include "finder/finder_icon.h"

#include "finder/finder_bundle.h"
#include "finder/resource_fork_reader.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <string_view>
#include <unordered_map>

namespace pq {
namespace {

// The resource ID of a custom icon's family, in the file's own fork or in a folder's "Icon\r".
constexpr std::int16_t kCustomIconId = -16455;
// A folder's custom icon lies in its file "Icon\r"; volumes list that name with the carriage
// return as U+FFFD, as they list every control character in a name.
constexpr std::array<std::string_view, 2> kFolderIconNames{"Icon\r", "Icon\xEF\xBF\xBD"};
constexpr std::string_view kDesktopName = "Desktop";
constexpr std::array<std::string_view, 6> kFamilyTypes{"ICN#", "icl4", "icl8", "ics#", "ics4", "ics8"};

// The file's resource fork read whole and its map; nullopt when it is damaged, cannot be read or
// is no resource fork.
struct Fork {
    std::vector<std::uint8_t> bytes;
    ResourceMap map;
};

std::optional<Fork> readFork(const Volume& volume, const VolumeFile& file)
{
    if (file.resource.logicalSize < 16)
        return std::nullopt;
    const auto source = volume.fork(file, ForkKind::Resource);
    if (!source)
        return std::nullopt;
    auto bytes = readResourceForkBytes(**source);
    if (!bytes)
        return std::nullopt;
    auto map = readResourceMap(*bytes, 0);
    if (!map)
        return std::nullopt;
    return Fork{std::move(*bytes), std::move(*map)};
}

// The family's members at `id` among a fork's icons, in the order of kFamilyTypes.
std::vector<StructuredIcon> familyMembers(const std::vector<StructuredIcon>& icons, std::int16_t id)
{
    std::vector<StructuredIcon> members;
    for (const std::string_view type : kFamilyTypes)
        for (const StructuredIcon& icon : icons)
            if (icon.type == type && icon.id == id) {
                members.push_back(icon);
                break;
            }
    return members;
}

std::optional<FinderIcon> customIcon(const Volume& volume, const VolumeFile& owner)
{
    const auto fork = readFork(volume, owner);
    if (!fork)
        return std::nullopt;
    auto members = familyMembers(iconResources(fork->map), kCustomIconId);
    if (members.empty())
        return std::nullopt;
    return FinderIcon{FinderIcon::Source::Custom, owner.path, kCustomIconId, std::move(members)};
}

} // namespace

// The icons bundles give, keyed by creator then file type, and each folder's "Icon\r" file.
struct FinderIconResolver::Bundles {
    using Icons = std::map<std::pair<std::string, std::string>, FinderIcon>;
    Icons applications, desktop;
    std::unordered_map<std::uint32_t, const VolumeFile*> folderIconFiles;

    // Adds the icons of every bundle in `owner`'s fork whose signature no earlier owner claimed.
    static void add(const Volume& volume, const VolumeFile& owner, FinderIcon::Source source, Icons& icons,
                    std::set<std::string>& claimed)
    {
        const auto fork = readFork(volume, owner);
        if (!fork)
            return;
        const std::vector<StructuredIcon> forkIcons = iconResources(fork->map);
        std::set<std::string> mine;
        for (const FinderBundle& bundle : readFinderBundles(fork->bytes, fork->map)) {
            if (claimed.contains(bundle.signature))
                continue;
            mine.insert(bundle.signature);
            for (const auto& [type, id] : bundle.iconIds)
                if (auto members = familyMembers(forkIcons, id); !members.empty())
                    icons.try_emplace({bundle.signature, type}, FinderIcon{source, owner.path, id, std::move(members)});
        }
        claimed.merge(mine);
    }
};

FinderIconResolver::FinderIconResolver(const Volume& volume) : m_volume(&volume), m_bundles(std::make_unique<Bundles>())
{
    std::set<std::string> applications, desktop;
    for (const VolumeFile& file : volume.files()) {
        if (std::ranges::find(kFolderIconNames, file.name) != kFolderIconNames.end())
            m_bundles->folderIconFiles.try_emplace(file.parentId, &file);
        if (file.type == "APPL" || (file.finderFlags & kFinderHasBundle) != 0)
            Bundles::add(volume, file, FinderIcon::Source::Bundle, m_bundles->applications, applications);
        if (file.parentId == kRootFolderId && file.name == kDesktopName)
            Bundles::add(volume, file, FinderIcon::Source::Desktop, m_bundles->desktop, desktop);
    }
}

FinderIconResolver::~FinderIconResolver() = default;
FinderIconResolver::FinderIconResolver(FinderIconResolver&&) noexcept = default;
FinderIconResolver& FinderIconResolver::operator=(FinderIconResolver&&) noexcept = default;

std::optional<FinderIcon> FinderIconResolver::icon(const VolumeFile& file) const
{
    if ((file.finderFlags & kFinderHasCustomIcon) != 0)
        if (auto custom = customIcon(*m_volume, file))
            return custom;
    const std::pair key{file.creator, file.type};
    for (const Bundles::Icons* icons : {&m_bundles->applications, &m_bundles->desktop})
        if (const auto it = icons->find(key); it != icons->end())
            return it->second;
    return std::nullopt;
}

std::optional<FinderIcon> FinderIconResolver::icon(const VolumeFolder& folder) const
{
    if ((folder.finderFlags & kFinderHasCustomIcon) == 0)
        return std::nullopt;
    const auto it = m_bundles->folderIconFiles.find(folder.id);
    return it == m_bundles->folderIconFiles.end() ? std::nullopt : customIcon(*m_volume, *it->second);
}

} // namespace pq
