#pragma once

#include "sources/byte_source.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace pq {

// A classic StuffIt archive (1.5 to 4): "SIT!" or one of the later "ST46", "ST50", "ST60",
// "ST65", "STin", "STi2", "STi3", "STi4" at the start and "rLau" at offset 10.
bool looksLikeStuffIt(const std::vector<std::uint8_t>& head);

// A StuffIt 5 archive: the text "StuffIt (c)1997-" and a year at the start.
bool looksLikeStuffIt5(const std::vector<std::uint8_t>& head);

// A Compact Pro archive. Its only mark is the byte 1 at the start (and the volume number 1
// of a single-volume archive); the directory it points to must hold a first entry that fits
// the archive. A first entry that is a folder tells little, so then `name` must end ".cpt".
bool looksLikeCompactPro(const ByteSource& source, const std::vector<std::uint8_t>& head, std::string_view name);

} // namespace pq
