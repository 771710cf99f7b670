#pragma once

#include "volumes/volume.h"

#include <memory>
#include <string>
#include <vector>

namespace pq {

// A volume found in the bytes being read, and what its files' paths start with: nothing when
// the bytes hold one volume; its name and "/" when they hold several (the partitions of a
// disk), numbered when two share a name.
struct ListedVolume {
    Volume volume;
    std::string prefix;
};

// The volumes of some bytes, opened, and a sentence for each that could not be opened or was
// read with damage ("the HFS volume at byte 0 could not be read.", "Volume "Disk" is damaged:
// …"): what could be read of a damaged volume is listed all the same.
struct VolumeListing {
    std::vector<ListedVolume> volumes;
    std::vector<std::string> problems;
};

VolumeListing listVolumes(const std::shared_ptr<const ByteSource>& bytes);

// One sentence for what went wrong while reading `volume`: the first fault and how many more;
// empty when nothing did.
std::string describeDamage(const Volume& volume);

} // namespace pq
