#pragma once

#include "sources/byte_source.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pq {

// One entry of an Apple partition map: where the partition lies in the disk's bytes (cut to
// the bytes there are), its name and its type ("Apple_HFS", "Apple_Driver43", ...).
struct ApplePartition {
    std::int64_t offset = 0;
    std::int64_t length = 0;
    std::string name;
    std::string type;
};

// The partitions of the Apple partition map in `disk`: a driver descriptor ('ER') in block 0,
// then 'PM' entries from block 1 on, as many as the first entry says the map holds. Entries
// lie in 512-byte blocks (or, when none is there, in blocks of the descriptor's block size)
// and count their partitions in the same blocks. The walk ends at the first block that is not
// an entry or lies past the bytes; a partition starting past the end is left out, one running
// past it is cut. Empty when `disk` holds no map.
std::vector<ApplePartition> readApplePartitionMap(const ByteSource& disk);

} // namespace pq
