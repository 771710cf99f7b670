#include "finder/icon_family.h"

#include "decoding/icon_mask.h"

#include <algorithm>
#include <array>
#include <utility>

namespace pq {
namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 6> kMaskTypes{{
    {"icl4", "ICN#"}, {"icl8", "ICN#"}, {"ics4", "ics#"}, {"ics8", "ics#"}, {"kcs4", "kcs#"}, {"kcs8", "kcs#"},
}};

} // namespace

bool inSameFamily(const StructuredIcon& a, const StructuredIcon& b)
{
    return a.source == b.source && a.sourceOffset == b.sourceOffset && a.id == b.id;
}

std::optional<std::size_t> classicFamilyRank(std::string_view type)
{
    const auto* found = std::ranges::find(kClassicFamilyTypes, type);
    if (found == kClassicFamilyTypes.end())
        return std::nullopt;
    return std::size_t(found - kClassicFamilyTypes.begin());
}

std::optional<std::string_view> familyMaskType(std::string_view type)
{
    const auto* found = std::ranges::find(kMaskTypes, type, &std::pair<std::string_view, std::string_view>::first);
    if (found == kMaskTypes.end())
        return std::nullopt;
    return found->second;
}

std::vector<IconFamily> groupIconFamilies(std::span<const StructuredIcon> icons)
{
    std::vector<IconFamily> families;
    for (const StructuredIcon& icon : icons) {
        const auto family = std::ranges::find_if(families, [&](const IconFamily& f) { return inSameFamily(f.members.front(), icon); });
        if (family == families.end())
            families.push_back({icon.sourceOffset, icon.id, {icon}});
        else
            family->members.push_back(icon);
    }
    return families;
}

void setFamilyMasks(std::span<StructuredIcon> icons)
{
    for (StructuredIcon& icon : icons) {
        const auto maskType = familyMaskType(icon.type);
        if (!maskType)
            continue;
        icon.maskOffset = std::nullopt;
        const auto mask = std::ranges::find_if(icons, [&](const StructuredIcon& m) { return m.type == *maskType && inSameFamily(m, icon); });
        if (mask != icons.end())
            icon.maskOffset = mask->offset + IconMask::oneBitPlaneLength(IconFormat::square(1, mask->side));
    }
}

} // namespace pq
