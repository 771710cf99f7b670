#pragma once

#include "decoding/icon_mask.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pq {

// An icon listed by the structure that holds it (a resource fork or an icon-family
// container) rather than guessed from its pixels: the place of its pixel data and its exact
// format, with the resource's ID and name where it has them.
struct StructuredIcon {
    enum class Source { Resource, Container };

    Source source = Source::Resource;
    std::int64_t sourceOffset = 0; // where the fork or container starts in the file
    std::string type;              // four characters: "ICN#", "icl8", "ics4", "SICN", "CURS", ...
    std::optional<int> id;         // the resource ID (resource forks only)
    std::optional<std::string> name; // the resource name in UTF-8, when the resource has one
    std::int64_t offset = 0;       // first byte of the pixel data in the file
    int bitDepth = 1;
    int side = 32;
    bool hasMask = false;          // the mask plane follows the pixel plane
    // A colour member's mask: the first byte of its family's 1-bit mask plane; none when the
    // family has no 1-bit member of its size (the icon is then opaque).
    std::optional<std::int64_t> maskOffset = std::nullopt;
    std::optional<int> index = std::nullopt; // the member's place in a list resource ("SICN")

    IconMask mask() const { return maskOffset ? IconMask::oneBitAt(*maskOffset) : IconMask::following(hasMask); }

    friend bool operator==(const StructuredIcon&, const StructuredIcon&) = default;
};

// "resource" or "container".
std::string_view sourceName(StructuredIcon::Source source);

// The format of an icon resource type, and the exact length of its data (of each member, for
// a list of icons).
struct IconTypeFormat {
    std::string_view type;
    int bitDepth;
    int side;
    bool hasMask;
    std::int64_t dataLength;
    bool isList; // any number of members, one after another ("SICN")
};

// The format of a four-character type, when it is an icon type the decoder shows.
std::optional<IconTypeFormat> iconTypeFormat(std::string_view type);

// Appends the icons of one stored entry: `entry` with its type, source, ID, name and data
// offset set, holding `dataLength` bytes. Nothing when the type is no icon type or the length
// is wrong for it; a list gives each member with its index.
void appendStoredIcons(std::vector<StructuredIcon>& icons, const StructuredIcon& entry, std::int64_t dataLength);

} // namespace pq
