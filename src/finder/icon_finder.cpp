#include "finder/icon_finder.h"

#include "finder/structured_icon_finder.h"

#include <algorithm>
#include <utility>

namespace pq {

std::expected<std::vector<FoundIcon>, IconFindError> findIcons(const ByteSource& source,
                                                                const IconScanOptions& scanOptions,
                                                                const std::atomic<bool>* cancel,
                                                                const std::function<void(double)>& progress,
                                                                std::vector<OwnPaletteIcon>* listedOnly)
{
    // The structure pass is a quick single read; the scan does the heavy work.
    constexpr double kStructureShare = 0.2;
    auto structured = findStructuredIcons(source, cancel, [&](std::int64_t done, std::int64_t total) {
        if (progress)
            progress(total > 0 ? kStructureShare * double(done) / double(total) : kStructureShare);
    }, listedOnly);
    if (!structured)
        return std::unexpected(structured.error());
    auto scanned = IconScanner(scanOptions).scan(source, cancel, [&](std::int64_t done, std::int64_t total) {
        if (progress)
            progress(kStructureShare + (1.0 - kStructureShare) * (total > 0 ? double(done) / double(total) : 1.0));
    });
    if (!scanned)
        return std::unexpected(scanned.error());

    std::vector<FoundIcon> found;
    found.reserve(structured->size() + scanned->size());
    for (const StructuredIcon& icon : *structured)
        found.push_back(FoundIcon::fromStructure(icon));
    // The structured icons' data as sorted, merged byte ranges [begin, end).
    std::vector<std::pair<std::int64_t, std::int64_t>> ranges;
    for (const StructuredIcon& icon : *structured)
        if (const auto format = iconTypeFormat(icon.type))
            ranges.emplace_back(icon.offset, icon.offset + format->dataLength);
    std::sort(ranges.begin(), ranges.end());
    auto overlapsStructure = [&](std::int64_t begin, std::int64_t end) {
        // The first range starting at or after `end` and every one before it could overlap;
        // only the one just before can, once ranges are sorted by start and lengths are small.
        auto next = std::lower_bound(ranges.begin(), ranges.end(), std::make_pair(end, std::int64_t(0)));
        for (auto it = next; it != ranges.begin();) {
            --it;
            if (it->second > begin)
                return true;
            if (end - it->first > 4096) // no icon's data is longer
                break;
        }
        return false;
    };
    for (const IconCandidate& candidate : *scanned)
        if (!overlapsStructure(candidate.offset, candidate.offset + candidate.pairLength()))
            found.push_back(FoundIcon::fromCandidate(candidate));
    return found;
}

} // namespace pq
