#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace pq {

// The evidence that the bytes at one offset are a 1-bit icon followed by its mask plane.
// Each measure is in [0, 1]; 1 is what a drawn icon with a solid silhouette shows.
struct IconPairEvidence {
    double outline = 0;   // share of the silhouette's edge pixels that the image draws black
    double solidRows = 0; // share of the mask's non-blank rows that are one unbroken run
    double connected = 0; // share of neighbouring rows, inside the silhouette's band, that touch
    double holeFree = 0;  // share of each row's extent (leftmost to rightmost opaque) that is opaque
    double share = 0;     // the mask covers a sensible share of the square: 1 from 10 % to 92 %,
                          // falling to 0 at 2 % and at 100 %
    double ink = 0;       // the image is more than a speck: at least 10 % of the silhouette
    double extent = 0;    // the silhouette spans at least half the square in width and height
    bool lengthField = false; // the four bytes before the pair hold its length, big-endian
    int rowImbalance = 0;     // |blank mask rows above the silhouette - blank rows below it|
    int columnImbalance = 0;  // |blank mask columns left of the silhouette - blank columns right of it|

    // How much the bytes look like an icon with its mask, in [0, 1]: the product of the
    // measures, each raised to its strength (outline 1.5, solidRows 1, connected 0.5, holeFree
    // 0.5, ink 0.25, share 1, extent 1), plus 0.1 for a length field, capped at 1. Every measure
    // perfect gives 1; a drawn icon with a solid silhouette scores above 0.9, one with a
    // concave outline (rows of two runs) about 0.7; junk that happens to pass the covering test
    // mostly stays below 0.6.
    double score() const;
};

// Judges the pair of planes at `offset`: the pixel plane of side × side / 8 bytes and the mask
// plane of the same length right after it (side 32 or 16). Empty when the pair does not fit in
// `bytes`, or is no icon pair at all: an image pixel the mask leaves transparent, a blank or
// constant image, a constant mask, a mask of at most 2 % of the square or all of it, or a
// silhouette of fewer than three rows or columns.
std::optional<IconPairEvidence> judgeIconPair(std::span<const std::uint8_t> bytes, std::int64_t offset, int side);

} // namespace pq
