#pragma once

#include "volumes/volume.h"

#include <expected>
#include <memory>

namespace pq {

// Reads a classic Macintosh HFS volume whose first byte is `source`'s first: its master
// directory block, its catalog from the catalog B-tree's leaves, each file's forks from its
// catalog extents and the extents-overflow tree. NotAVolume when no master directory block
// ('BD') lies at byte 1024.
std::expected<Volume, VolumeError> readHfsVolume(std::shared_ptr<const ByteSource> source);

} // namespace pq
