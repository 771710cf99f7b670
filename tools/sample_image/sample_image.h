#pragma once

#include "icon_canvas.h"

#include <cstdint>
#include <optional>
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

// An icon stored as a resource in a resource fork, or as an entry of an icon-family
// container, planted in an image. Its `icon.offset` is the first byte of its pixel data.
struct PlantedResource {
    PlantedIcon icon;
    std::string type;                // "ICN#", "icl4", ...
    bool inContainer = false;        // an icon-family container entry rather than a resource
    std::int64_t sourceOffset = 0;   // where the fork or container starts
    std::optional<int> id;           // resources only
    std::optional<std::string> name; // UTF-8; resources only, when named
};

struct SampleImage {
    std::vector<std::uint8_t> bytes;
    std::vector<PlantedIcon> icons;          // icons planted on their own among the filler
    std::vector<PlantedResource> resources;  // icons inside resource forks and containers
};

// Every icon of the image: those planted on their own, then those in forks and containers.
std::vector<PlantedIcon> allIcons(const SampleImage& image);

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
// offsets among the filler, two resource forks holding icon resources (one on a sector
// boundary, one at an odd offset) and an icon-family container.
SampleImage makeSampleDiskImage();

// The planted icons as a JSON array (name, offset, bitDepth, side, hasMask).
std::string describeIcons(const std::vector<PlantedIcon>& icons);

} // namespace pq::sample
