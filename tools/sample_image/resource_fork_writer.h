#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace pq::sample {

// Big-endian stores into bytes already there, for building forks and containers (and damaging
// them in tests).
void put32(std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t x);
void put16(std::vector<std::uint8_t>& v, std::size_t at, std::uint16_t x);

// One resource to store in a fork.
struct ForkResource {
    std::string type;  // four characters
    std::int16_t id = 0;
    std::string name;  // Mac OS Roman bytes; empty for none
    std::vector<std::uint8_t> data;
    std::uint8_t attributes = 0;
};

// A 'BNDL' owning the creator `signature` (owner resource ID 0) with its 'ICN#' and 'FREF'
// mappings, each a (local ID, resource ID) pair.
using LocalIdPairs = std::vector<std::pair<int, int>>;
ForkResource bundleResource(std::int16_t id, const std::string& signature, const LocalIdPairs& icons, const LocalIdPairs& frefs);

// A 'FREF': a file type, the local ID of its icon and an empty file name.
ForkResource fileReferenceResource(std::int16_t id, const std::string& fileType, int localIconId);

// A resource fork laid out as the classic Resource Manager writes it: the 16-byte header, the
// data part at byte 256 (each resource a big-endian length then its bytes), then the map with
// its type list, reference lists and name list.
struct ResourceForkImage {
    std::vector<std::uint8_t> bytes;
    std::vector<std::int64_t> dataOffsets; // of each resource's bytes (after its length), from the fork's start
};

// `copyHeaderIntoMap`: the map's first 16 bytes repeat the header (true) or stay zero (false).
ResourceForkImage writeResourceFork(const std::vector<ForkResource>& resources, bool copyHeaderIntoMap = true);

// A colour icon ('cicn') of w × h pixels of `depth` bits, as QuickDraw stores it: PixMap, mask
// and bitmap records, a handle, the 1-bit mask and bitmap planes, a colour table, the pixels
// (all zero).
std::vector<std::uint8_t> colorIconResource(int w, int h, int depth);

// A 16 × 16 colour cursor ('crsr') of `depth` bits: the 96-byte CCrsr record, its PixMap, its
// colour table and its pixels.
std::vector<std::uint8_t> colorCursorResource(int depth);

// An icon-family container: "icns", the total length, then each entry's type, length and data.
std::vector<std::uint8_t> writeIconContainer(const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& entries);

} // namespace pq::sample
