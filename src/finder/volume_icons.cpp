#include "finder/volume_icons.h"

namespace pq {

// Not read yet: no fork lists icons.
std::expected<std::vector<StructuredIcon>, IconFindError> iconsInFork(const ByteSource&) { return {}; }

std::expected<std::vector<VolumeIcon>, IconFindError> findVolumeIcons(
    const Volume&, const std::atomic<bool>*, const std::function<void(std::int64_t, std::int64_t)>&)
{
    return {};
}

} // namespace pq
