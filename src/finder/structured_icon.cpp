#include "finder/structured_icon.h"

#include <array>

namespace pq {

std::string_view sourceName(StructuredIcon::Source source)
{
    return source == StructuredIcon::Source::Resource ? "resource" : "container";
}

std::optional<IconTypeFormat> iconTypeFormat(std::string_view type)
{
    static constexpr std::array<IconTypeFormat, 7> formats{{
        {"ICN#", 1, 32, true, 256},
        {"ics#", 1, 16, true, 64},
        {"icl4", 4, 32, false, 512},
        {"ics4", 4, 16, false, 128},
        {"icl8", 8, 32, false, 1024},
        {"ics8", 8, 16, false, 256},
        {"ICON", 1, 32, false, 128},
    }};
    for (const auto& f : formats)
        if (f.type == type)
            return f;
    return std::nullopt;
}

} // namespace pq
