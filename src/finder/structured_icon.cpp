#include "finder/structured_icon.h"

#include <array>

namespace pq {

std::string_view sourceName(StructuredIcon::Source source)
{
    return source == StructuredIcon::Source::Resource ? "resource" : "container";
}

std::optional<IconTypeFormat> iconTypeFormat(std::string_view type)
{
    static constexpr std::array<IconTypeFormat, 12> formats{{
        {"ICN#", 1, 32, true, 256, false},
        {"ics#", 1, 16, true, 64, false},
        {"kcs#", 1, 16, true, 64, false},
        {"icl4", 4, 32, false, 512, false},
        {"ics4", 4, 16, false, 128, false},
        {"kcs4", 4, 16, false, 128, false},
        {"icl8", 8, 32, false, 1024, false},
        {"ics8", 8, 16, false, 256, false},
        {"kcs8", 8, 16, false, 256, false},
        {"ICON", 1, 32, false, 128, false},
        {"CURS", 1, 16, true, 68, false}, // image, mask, then the hot spot's two 16-bit coordinates
        {"SICN", 1, 16, false, 32, true},
    }};
    for (const auto& f : formats)
        if (f.type == type)
            return f;
    return std::nullopt;
}

void appendStoredIcons(std::vector<StructuredIcon>& icons, const StructuredIcon& entry, std::int64_t dataLength)
{
    const auto format = iconTypeFormat(entry.type);
    if (!format)
        return;
    StructuredIcon icon = entry;
    icon.bitDepth = format->bitDepth;
    icon.side = format->side;
    icon.hasMask = format->hasMask;
    if (!format->isList) {
        if (dataLength == format->dataLength)
            icons.push_back(std::move(icon));
        return;
    }
    if (dataLength <= 0 || dataLength % format->dataLength != 0)
        return;
    for (std::int64_t i = 0; i < dataLength / format->dataLength; ++i) {
        icon.offset = entry.offset + i * format->dataLength;
        icon.index = int(i);
        icons.push_back(icon);
    }
}

} // namespace pq
