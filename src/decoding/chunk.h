#pragma once

#include "decoding/color_table.h"
#include "decoding/pixel_array.h"

#include <cstdint>
#include <memory>

namespace pq {

// One icon candidate cut out of the file at one offset, decoded.
struct Chunk {
    std::int64_t offsetInFile = 0;
    std::int64_t length = 0; // bytes of the pixel plane; the mask plane is not counted
    std::shared_ptr<const ColorTable> colorTable; // the palette for 4 and 8 bits; empty for 1 bit
    bool isBlank = false;   // every byte of the pixel plane is zero
    PixelArray pixelArray;  // the mask, when asked for, is applied here (masked pixels are clear)
    PixelArray maskArray;   // always empty
};

} // namespace pq
