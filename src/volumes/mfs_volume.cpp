#include "volumes/mfs_volume.h"

namespace pq {

// Not read yet: no MFS volume is recognised.
std::expected<Volume, VolumeError> readMfsVolume(std::shared_ptr<const ByteSource>)
{
    return std::unexpected(VolumeError::NotAVolume);
}

} // namespace pq
