#pragma once

#include "finder/structured_icon.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace pq {

// The stored icons of one family: the members of one resource fork sharing a resource ID, or
// every member of one icon-family container. Colour members have no mask of their own: the
// Finder draws `icl4`/`icl8` through the `ICN#` mask and `ics4`/`ics8` through the `ics#` one
// (`kcs4`/`kcs8` through `kcs#`).
struct IconFamily {
    std::int64_t sourceOffset = 0; // the fork or container
    std::optional<int> id;         // the resource ID; none for a container
    std::vector<StructuredIcon> members; // in the listing's order

    friend bool operator==(const IconFamily&, const IconFamily&) = default;
};

// The 1-bit member type whose mask plane a colour member type is drawn through ("ICN#" for
// "icl8"); none for a type that is not a colour member.
std::optional<std::string_view> familyMaskType(std::string_view type);

// The member types of a classic family that the desktop shows together and today's desktops
// are given, in their order: the 32-pixel ones, then the 16-pixel ones, shallowest first.
inline constexpr std::array<std::string_view, 6> kClassicFamilyTypes{"ICN#", "icl4", "icl8", "ics#", "ics4", "ics8"};

// The place of a type in kClassicFamilyTypes; none for any other type ("SICN", "CURS", "kcs#").
std::optional<std::size_t> classicFamilyRank(std::string_view type);

// Whether two icons belong to one family: one fork and resource ID, or one container.
bool inSameFamily(const StructuredIcon& a, const StructuredIcon& b);

// Groups the icons of one or more listings into families, in the order of each family's first
// member.
std::vector<IconFamily> groupIconFamilies(std::span<const StructuredIcon> icons);

// Sets each colour member's maskOffset to its family's 1-bit mask plane (the plane after the
// 1-bit member's pixels); leaves it none when the family lacks that member.
void setFamilyMasks(std::span<StructuredIcon> icons);

} // namespace pq
