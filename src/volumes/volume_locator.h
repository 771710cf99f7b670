#pragma once

#include "volumes/volume.h"

#include <cstdint>
#include <expected>
#include <memory>
#include <string>
#include <vector>

namespace pq {

// Where a volume lies in the bytes being browsed.
struct VolumeLocation {
    std::int64_t offset = 0; // its first byte
    std::int64_t length = 0;
    VolumeFormat format = VolumeFormat::Hfs;
    std::string partitionName; // the Apple partition map's name for it; empty outside a map
};

// Every volume in `bytes`: one at the start, after a DiskCopy 4.2 header, in each partition of
// an Apple partition map whose type holds a classic volume, on a hybrid CD (an HFS volume
// beside an ISO 9660 one); an HFS+ volume wrapped in an HFS one is listed as the HFS+ volume.
// A volume is known by its signature at its byte 1024: 'BD' (HFS), 'H+' or 'HX' (HFS+), 0xD2D7
// (MFS).
std::vector<VolumeLocation> locateVolumes(const ByteSource& bytes);

// The volume at `location`, its startInImage() set to location.offset.
std::expected<Volume, VolumeError> openVolumeAt(std::shared_ptr<const ByteSource> bytes, const VolumeLocation& location);

// A volume locateVolumes found, and what opening it gave.
struct LocatedVolume {
    VolumeLocation location;
    std::expected<Volume, VolumeError> volume;
};

// Every volume in `bytes`, each opened.
std::vector<LocatedVolume> openVolumes(const std::shared_ptr<const ByteSource>& bytes);

} // namespace pq
