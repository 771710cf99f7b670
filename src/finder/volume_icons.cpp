#include "finder/volume_icons.h"

#include "finder/resource_fork_reader.h"
#include "finder/resource_map.h"

namespace pq {

namespace {

// The Resource Manager's limit: a longer fork is not believed to be a resource fork.
constexpr std::int64_t kLongestFork = 16 << 20;

// Where a colour icon's mask plane lies in the image, when its first and last bytes are as far
// apart there as in the fork.
std::optional<std::int64_t> maskInImage(const Volume& volume, const VolumeFork& fork, const StructuredIcon& icon)
{
    if (!icon.maskOffset)
        return std::nullopt;
    const std::int64_t last = IconMask::oneBitPlaneLength(IconFormat::square(1, icon.side)) - 1;
    const auto first = volume.imageOffset(fork, *icon.maskOffset), end = volume.imageOffset(fork, *icon.maskOffset + last);
    if (!first || !end || *end - *first != last)
        return std::nullopt;
    return first;
}

} // namespace

std::expected<std::vector<StructuredIcon>, IconFindError> iconsInFork(const ByteSource& fork,
                                                                      std::vector<OwnPaletteIcon>* listedOnly)
{
    if (fork.size() > kLongestFork)
        return {};
    const auto bytes = readResourceForkBytes(fork);
    if (!bytes)
        return std::unexpected(IconFindError::readFailed(bytes.error()));
    auto listing = readResourceForkAt(*bytes, 0);
    if (!listing)
        return {};
    if (listedOnly)
        listedOnly->insert(listedOnly->end(), listing->ownPaletteIcons.begin(), listing->ownPaletteIcons.end());
    return std::move(listing->icons);
}

std::expected<std::vector<VolumeIcon>, IconFindError> findVolumeIcons(
    const Volume& volume, const std::atomic<bool>* cancel, const std::function<void(std::int64_t, std::int64_t)>& progress,
    std::vector<VolumeOwnPaletteIcon>* listedOnly)
{
    std::vector<OwnPaletteIcon> forkListedOnly;
    std::vector<VolumeIcon> found;
    const auto files = std::int64_t(volume.files().size());
    std::int64_t done = 0;
    for (const VolumeFile& file : volume.files()) {
        if (cancel && cancel->load())
            return std::unexpected(IconFindError::cancelled());
        if (progress)
            progress(done++, files);
        const auto fork = volume.fork(file, ForkKind::Resource);
        if (!fork || (*fork)->size() == 0)
            continue; // a damaged fork is the volume's damage, already reported
        forkListedOnly.clear();
        auto icons = iconsInFork(**fork, listedOnly ? &forkListedOnly : nullptr);
        if (!icons)
            return std::unexpected(icons.error());
        for (OwnPaletteIcon& icon : forkListedOnly)
            listedOnly->push_back({file.path, ForkKind::Resource, icon, volume.imageOffset(file.resource, icon.recordOffset)});
        for (StructuredIcon& icon : *icons) {
            const auto imageOffset = volume.imageOffset(file.resource, icon.offset);
            const auto maskImageOffset = maskInImage(volume, file.resource, icon);
            found.push_back({file.path, ForkKind::Resource, std::move(icon), imageOffset, maskImageOffset});
        }
    }
    if (progress)
        progress(files, files);
    return found;
}

} // namespace pq
