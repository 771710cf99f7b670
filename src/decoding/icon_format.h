#pragma once

#include "decoding/bit_depth.h"

#include <cstdint>
#include <limits>
#include <optional>

namespace pq {

// An icon format as it travels outside the browser's popups: bits per pixel and bits per
// pixel row. All divisions truncate toward zero, as C++ integer division does.
//
// Formats read from bookmarks files may hold any two 64-bit integers, so every derived
// quantity is defined for every pair: a quotient without a 64-bit value (a bit depth of 0, or
// the lowest integer divided by -1) is 0, and a product past the 64-bit range is saturated
// at the limit of its sign. Code deriving numbers from a stored format uses these, never its
// own division.
struct IconFormat {
    std::int64_t bitDepth = 1;
    std::int64_t widthInBits = 32;

    static constexpr IconFormat from(BitDepth depth, Dimensions size) { return square(rawValue(depth), rawValue(size)); }
    // Square icons of `side` pixels a side at `bitDepth` bits per pixel (the row width
    // saturated, as every product here).
    static constexpr IconFormat square(std::int64_t bitDepth, std::int64_t side)
    {
        return {bitDepth, saturatedProduct(bitDepth, side)};
    }

    // Pixels per side, which is also the number of rows: widthInBits / bitDepth, or 0 when
    // that quotient has no 64-bit value.
    constexpr std::int64_t pixelsPerSide() const
    {
        if (bitDepth == 0 || (bitDepth == -1 && widthInBits == std::numeric_limits<std::int64_t>::min()))
            return 0;
        return widthInBits / bitDepth;
    }
    constexpr std::int64_t bytesPerRow() const { return widthInBits / 8; }
    // Bytes of the pixel plane (bytes per row x pixels per side, saturated); the mask plane,
    // when present, has the same length.
    constexpr std::int64_t chunkLength() const { return saturatedProduct(bytesPerRow(), pixelsPerSide()); }

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
        if (bitDepth <= 0 || widthInBits % bitDepth != 0)
            return std::nullopt;
        return dimensionsFromRaw(pixelsPerSide());
    }

    // a x b, or the 64-bit limit of the product's sign when it does not fit.
    static constexpr std::int64_t saturatedProduct(std::int64_t a, std::int64_t b)
    {
        std::int64_t product = 0;
        if (!__builtin_mul_overflow(a, b, &product))
            return product;
        return (a < 0) == (b < 0) ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
    }

    friend constexpr bool operator==(const IconFormat&, const IconFormat&) = default;

    static constexpr std::int64_t maxPixelsPerSide = 256;
};

} // namespace pq
