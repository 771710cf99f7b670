#include "volumes/hfs_plus_volume.h"

namespace pq {

// Not read yet: no HFS+ volume is recognised.
std::expected<Volume, VolumeError> readHfsPlusVolume(std::shared_ptr<const ByteSource>)
{
    return std::unexpected(VolumeError::NotAVolume);
}

std::optional<Extent> embeddedHfsPlusVolume(const ByteSource&) { return std::nullopt; }

} // namespace pq
