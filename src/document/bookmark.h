#pragma once

#include "decoding/icon_format.h"
#include "decoding/icon_mask.h"

#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace pq {

// Where in the opened file an icon was found and how to decode it.
struct Bookmark {
    std::int64_t offset = 0;
    std::string nickname;
    std::int64_t bitDepth = 1;
    std::int64_t widthInBits = 32;
    bool hasMask = false;
    // A mask of its own place: a 1-bit plane of the icon's side at this byte offset (a colour
    // icon drawn through its family's mask). When set it is the mask, whatever hasMask says.
    std::optional<std::int64_t> maskOffset = std::nullopt;

    IconFormat format() const { return {bitDepth, widthInBits}; }
    IconMask mask() const { return maskOffset ? IconMask::oneBitAt(*maskOffset) : IconMask::following(hasMask); }
};

// The identity of a bookmark: offset and format. Nickname and mask take no part in it.
struct BookmarkKey {
    std::int64_t offset = 0;
    std::int64_t bitDepth = 0;
    std::int64_t widthInBits = 0;
    friend bool operator==(const BookmarkKey&, const BookmarkKey&) = default;
};

inline BookmarkKey keyOf(const Bookmark& b) { return {b.offset, b.bitDepth, b.widthInBits}; }

// Two bookmarks are equal exactly when their keys are equal.
inline bool operator==(const Bookmark& a, const Bookmark& b) { return keyOf(a) == keyOf(b); }

// All bookmarks of one disk image, tied to it by the SHA-256 digest of its bytes.
struct BookmarkFile {
    std::string fullName;
    std::string sha256;
    std::vector<Bookmark> bookmarks; // in the order they were added
};

} // namespace pq
