#pragma once

#include "finder/icon_candidate.h"

#include <vector>

namespace pq {

// Lists each icon once. Candidates whose pairs share a byte are readings of one icon (the
// same icon seen a few bytes or rows off, or a smaller window inside it), since one byte
// cannot belong to two icons: going down the listing order (ranksBefore), a candidate is kept
// unless its pair overlaps one already kept. The result is in listing order.
//
// Windows shifted by whole rows are equally valid when the icon has blank rows at its top or
// bottom and the bytes beyond are blank too, and so are windows shifted by a byte when it has
// blank columns at its left or right edge (the picture then reads moved by eight pixels); they
// score alike, so the order decides: a window preceded by a length field wins, then the one
// with the blank rows and columns split most evenly around the silhouette, then the earliest.
std::vector<IconCandidate> collapseOverlapping(std::vector<IconCandidate> candidates);

} // namespace pq
