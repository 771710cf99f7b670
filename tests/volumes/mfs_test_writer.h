#pragma once

#include "volume_test_support.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pq::test {

// A file to put on an MFS volume: its name as Mac OS Roman bytes, Finder information and forks.
struct MfsTestFile {
    std::string name;
    ExpectedFile file;
};

// The layout of a 400K floppy: 391 allocation blocks of 1024 bytes, numbered from 2 and
// starting at logical block 16, the file directory in logical blocks 4 to 15.
inline constexpr std::int64_t kMfsTestBlockSize = 1024;
inline constexpr std::int64_t kMfsTestFirstBlockAt = 16 * 512;
// File numbers are given in order from this one.
inline constexpr std::uint32_t kMfsTestFirstFileNumber = 16;

// An MFS volume image holding `files` (whose forks must fit), written from the format's
// description. Blocks go to the forks in file order, data fork first; `interleave` hands them
// out one at a time to every fork still short of blocks, so that each chain is fragmented.
std::vector<std::uint8_t> makeMfsImage(const std::string& volumeName, const std::vector<MfsTestFile>& files,
                                       bool interleave = false);

// Sets allocation block `block`'s 12-bit entry in the image's block map to `next`.
void setMfsMapEntry(std::vector<std::uint8_t>& image, std::uint16_t block, std::uint16_t next);

} // namespace pq::test
