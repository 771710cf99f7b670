#pragma once

#include "volumes/volume.h"

#include <expected>
#include <memory>

namespace pq {

// Reads a Macintosh File System (MFS) volume whose first byte is `source`'s first: its master
// directory block (signature 0xD2D7 at byte 1024), its flat file directory and its 12-bit
// allocation block map, each file's forks following the map's chains. Every file lies in the
// root folder. NotAVolume when no MFS master directory block is there.
std::expected<Volume, VolumeError> readMfsVolume(std::shared_ptr<const ByteSource> source);

} // namespace pq
