#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pq::test {

// A file for hfsutils to put on a test volume: its folder (an HFS path such as ":Sub:Deeper:")
// and name as Mac OS Roman bytes, its Finder information and its forks.
struct HfsutilsFile {
    std::string folder, name, type, creator;
    int flags = 0;
    std::vector<std::uint8_t> data, resource;
};

// Makes, in a fresh folder which it returns, catalog.hfs holding `catalog` and, when `pieces`
// is not empty, pieces.hfs: a volume filled with small files, every other one deleted, then
// `pieces` copied into the holes so that their forks lie in many extents.
std::string makeHfsVolumes(const std::vector<HfsutilsFile>& catalog, const std::vector<HfsutilsFile>& pieces = {});

} // namespace pq::test
