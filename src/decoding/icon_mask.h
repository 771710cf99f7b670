#pragma once

#include "decoding/icon_format.h"

#include <cstdint>

namespace pq {

// Where an icon's mask lies: nowhere (opaque), in the plane right after the pixel plane (in
// the pixel plane's layout, as `ICN#` and `ics#` store it), or in a 1-bit plane of the icon's
// side at a byte offset of its own (a colour icon drawn through its family's 1-bit mask).
struct IconMask {
    enum class Kind { None, FollowsPlane, OneBitAt };
    Kind kind = Kind::None;
    std::int64_t offset = 0; // OneBitAt: the mask plane's first byte

    static constexpr IconMask none() { return {}; }
    static constexpr IconMask following() { return {Kind::FollowsPlane, 0}; }
    static constexpr IconMask oneBitAt(std::int64_t offset) { return {Kind::OneBitAt, offset}; }
    static constexpr IconMask following(bool hasMask) { return hasMask ? following() : none(); }

    // Bytes of a 1-bit mask plane for `format`'s side (side x side / 8, saturated).
    static constexpr std::int64_t oneBitPlaneLength(const IconFormat& format)
    {
        const std::int64_t side = format.pixelsPerSide();
        return IconFormat::saturatedProduct(side / 8, side);
    }

    friend constexpr bool operator==(const IconMask&, const IconMask&) = default;
};

} // namespace pq
