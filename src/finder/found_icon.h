#pragma once

#include "finder/icon_candidate.h"
#include "finder/structured_icon.h"
#include "decoding/icon_format.h"

#include <cstdint>
#include <optional>
#include <string>

namespace pq {

// One icon the finder lists: either read from a resource fork or icon-family container (exact,
// with its structure's details), or guessed by the scanner from its pixels (with a score).
struct FoundIcon {
    std::int64_t offset = 0; // first byte of the pixel plane
    int bitDepth = 1;
    int side = 32;
    bool hasMask = false;
    double score = 1.0; // structured icons are certain
    std::optional<StructuredIcon> structure;

    static FoundIcon fromStructure(const StructuredIcon& icon);
    static FoundIcon fromCandidate(const IconCandidate& candidate);

    // The icon's format, as the decoder and bookmarks take it.
    IconFormat format() const { return IconFormat::square(bitDepth, side); }
    // The icon's mask, as the decoder and bookmarks take it: a colour member's is its family's.
    IconMask mask() const { return structure ? structure->mask() : IconMask::following(hasMask); }

    // The nickname a bookmark of this icon gets: the resource's name when it has one, else
    // the default nickname of its offset, as for a tile.
    std::string bookmarkNickname() const;

    friend bool operator==(const FoundIcon&, const FoundIcon&) = default;
};

} // namespace pq
