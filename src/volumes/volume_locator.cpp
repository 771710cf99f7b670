#include "volumes/volume_locator.h"

#include "volumes/hfs_volume.h"

namespace pq {

// For now only a bare HFS volume or one after a DiskCopy 4.2 header is found.
std::vector<VolumeLocation> locateVolumes(const ByteSource& bytes)
{
    const auto start = findHfsVolume(bytes);
    if (!start)
        return {};
    return {{*start, bytes.size() - *start, VolumeFormat::Hfs, {}}};
}

std::expected<Volume, VolumeError> openVolumeAt(std::shared_ptr<const ByteSource> bytes, const VolumeLocation& location)
{
    auto view = ExtentByteSource::create(bytes, {{location.offset, location.length}});
    if (!view)
        return std::unexpected(VolumeError::NotAVolume);
    auto volume = readHfsVolume(std::move(*view));
    if (volume)
        volume->setStartInImage(location.offset);
    return volume;
}

} // namespace pq
