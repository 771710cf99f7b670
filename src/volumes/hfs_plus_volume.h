#pragma once

#include "volumes/volume.h"

#include <expected>
#include <memory>
#include <optional>

namespace pq {

// Reads an HFS+ volume whose first byte is `source`'s first: its volume header ('H+' or 'HX'
// at byte 1024), its catalog with Unicode names (as UTF-8), each file's forks from their eight
// extents and the extents-overflow file. NotAVolume when no HFS+ volume header is there.
std::expected<Volume, VolumeError> readHfsPlusVolume(std::shared_ptr<const ByteSource> source);

// Where the HFS+ volume embedded in an HFS wrapper lies in the wrapper's bytes (the wrapper's
// master directory block names it, as on many disks and CDs of 1998-2002); nullopt when
// `hfsVolume` is not such a wrapper.
std::optional<Extent> embeddedHfsPlusVolume(const ByteSource& hfsVolume);

} // namespace pq
