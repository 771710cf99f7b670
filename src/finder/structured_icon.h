#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pq {

// An icon listed by the structure that holds it (a resource fork or an icon-family
// container) rather than guessed from its pixels: the place of its pixel data and its exact
// format, with the resource's ID and name where it has them.
struct StructuredIcon {
    enum class Source { Resource, Container };

    Source source = Source::Resource;
    std::int64_t sourceOffset = 0; // where the fork or container starts in the file
    std::string type;              // four characters: "ICN#", "ics#", "icl4", "ics4", "icl8", "ics8", "ICON"
    std::optional<int> id;         // the resource ID (resource forks only)
    std::optional<std::string> name; // the resource name in UTF-8, when the resource has one
    std::int64_t offset = 0;       // first byte of the pixel data in the file
    int bitDepth = 1;
    int side = 32;
    bool hasMask = false;          // the mask plane follows the pixel plane

    friend bool operator==(const StructuredIcon&, const StructuredIcon&) = default;
};

// "resource" or "container".
std::string_view sourceName(StructuredIcon::Source source);

// The format of an icon resource type, and the exact length of its data.
struct IconTypeFormat {
    std::string_view type;
    int bitDepth;
    int side;
    bool hasMask;
    std::int64_t dataLength;
};

// The format of a four-character type, when it is one of the seven icon types.
std::optional<IconTypeFormat> iconTypeFormat(std::string_view type);

} // namespace pq
