#pragma once

#include "decoding/icon_format.h"

#include <cstdint>

namespace pq {

// One place in a file that likely holds a 1-bit icon followed by its mask plane.
struct IconCandidate {
    std::int64_t offset = 0; // first byte of the pixel plane; the mask plane follows it
    int side = 32;           // pixels per side: 32 (128 + 128 bytes) or 16 (32 + 32 bytes)
    double score = 0;        // icon-likeness in [0, 1]; see IconPairEvidence::score
    bool lengthField = false; // the four bytes before hold the pair's length, as resource data do
    int rowImbalance = 0;     // |blank rows above the silhouette - blank rows below it|
    int columnImbalance = 0;  // |blank columns left of the silhouette - blank columns right of it|

    // How far the silhouette sits from the square's centre, in half pixels across and down.
    int imbalance() const { return rowImbalance + columnImbalance; }

    int bitDepth() const { return 1; }
    bool hasMask() const { return true; }
    std::int64_t planeLength() const { return IconFormat::square(bitDepth(), side).chunkLength(); }
    // Bytes the pair occupies: the pixel plane and the mask plane.
    std::int64_t pairLength() const { return 2 * planeLength(); }

    friend bool operator==(const IconCandidate&, const IconCandidate&) = default;
};

// The listing order: higher score first; on equal scores a candidate preceded by a length
// field first, then the one whose silhouette sits most centred in its square, across and down
// (icons are drawn centred, or a row or column off), then the earlier offset, then the larger
// icon.
inline bool ranksBefore(const IconCandidate& a, const IconCandidate& b)
{
    if (a.score != b.score)
        return a.score > b.score;
    if (a.lengthField != b.lengthField)
        return a.lengthField;
    if (a.imbalance() != b.imbalance())
        return a.imbalance() < b.imbalance();
    if (a.offset != b.offset)
        return a.offset < b.offset;
    return a.side > b.side;
}

} // namespace pq
