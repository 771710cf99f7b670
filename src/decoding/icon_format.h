#pragma once

#include "decoding/bit_depth.h"

#include <cstdint>
#include <optional>

namespace pq {

// An icon format as it travels outside the browser's popups: bits per pixel and bits per
// pixel row. All divisions truncate toward zero, as C++ integer division does.
struct IconFormat {
    std::int64_t bitDepth = 1;
    std::int64_t widthInBits = 32;

    static constexpr IconFormat from(BitDepth depth, Dimensions size)
    {
        return {rawValue(depth), rawValue(depth) * rawValue(size)};
    }

    // Pixels per side, which is also the number of rows. Requires bitDepth != 0.
    constexpr std::int64_t pixelsPerSide() const { return widthInBits / bitDepth; }
    constexpr std::int64_t bytesPerRow() const { return widthInBits / 8; }
    // Bytes of the pixel plane; the mask plane, when present, has the same length.
    constexpr std::int64_t chunkLength() const { return bytesPerRow() * pixelsPerSide(); }

    // True when the decoder can cut and decode chunks of this format without reading past a
    // row or allocating without bound: 1, 4 or 8 bits per pixel, whole bytes per row, a whole
    // number of pixels per row and at most maxPixelsPerSide pixels per side.
    constexpr bool isDecodable() const
    {
        if (bitDepth != 1 && bitDepth != 4 && bitDepth != 8)
            return false;
        if (widthInBits <= 0 || widthInBits % 8 != 0 || widthInBits % bitDepth != 0)
            return false;
        return pixelsPerSide() <= maxPixelsPerSide;
    }

    // The browser's popup choices, when this format is one of the six it offers.
    std::optional<BitDepth> depth() const { return bitDepthFromRaw(bitDepth); }
    std::optional<Dimensions> dimensions() const
    {
        if (bitDepth == 0 || widthInBits % bitDepth != 0)
            return std::nullopt;
        return dimensionsFromRaw(pixelsPerSide());
    }

    friend constexpr bool operator==(const IconFormat&, const IconFormat&) = default;

    static constexpr std::int64_t maxPixelsPerSide = 256;
};

} // namespace pq
