#pragma once

#include "volumes/volume.h"

#include <memory>
#include <string>
#include <vector>

namespace pq::cli {

// A volume found in the bytes a command works on, and what its files' paths start with on
// the command line: nothing when the bytes hold one volume; its name and "/" when they hold
// several (the partitions of a disk), numbered when two share a name.
struct ListedVolume {
    Volume volume;
    std::string prefix;
};

// The volumes in `bytes` (of the file at `path`), opened. Each volume read with damage is told
// once on stderr, and each that cannot be opened; what could be read is listed.
std::vector<ListedVolume> openVolumesOrReport(const std::shared_ptr<const ByteSource>& bytes, const std::string& path);

// One sentence for what went wrong while reading `volume`: the first fault and how many more.
std::string describeDamage(const Volume& volume);

} // namespace pq::cli
