#pragma once

#include "icon_canvas.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pq::sample {

// One icon drawn by the generator and written into an image.
struct PlantedIcon {
    std::string name;
    std::int64_t offset = 0; // first byte of the pixel plane
    int bitDepth = 1;
    int side = 32;
    bool hasMask = false; // the mask plane follows the pixel plane
};

struct SampleImage {
    std::vector<std::uint8_t> bytes;
    std::vector<PlantedIcon> icons;
};

// The icons the generator can draw, by name: 1-bit designs at 32 and 16 pixels ("floppy",
// "smiley", "folder", "document", "trash", "bell"), 4-bit ("sun", "cherry") and 8-bit
// ("globe", "gem") designs, with palette indices of the matching built-in palette.
IconCanvas drawIcon(const std::string& name, int side, int bitDepth);

// Writes the icon's pixel plane (and mask plane when asked) at `offset` of `bytes`.
PlantedIcon plantIcon(std::vector<std::uint8_t>& bytes, std::int64_t offset, const std::string& name, int side,
                      int bitDepth, bool withMask);

// Realistic filler: boot-sector-like header, text, zeros, 0xFF runs, repeated patterns and
// noise, deterministic for a seed.
std::vector<std::uint8_t> makeFiller(std::size_t size, std::uint32_t seed);

// The bundled sample: a 1.44 MB floppy-sized image with icons of every format at known, odd
// offsets among the filler.
SampleImage makeSampleDiskImage();

// The planted icons as a JSON array (name, offset, bitDepth, side, hasMask).
std::string describeIcons(const std::vector<PlantedIcon>& icons);

} // namespace pq::sample
