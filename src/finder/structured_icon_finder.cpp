#include "finder/structured_icon_finder.h"

#include "finder/icon_container_reader.h"
#include "finder/resource_fork_reader.h"

#include <algorithm>
#include <cstring>

namespace pq {

std::expected<std::vector<StructuredIcon>, StructureScanError> findStructuredIcons(
    std::span<const std::uint8_t> bytes, const std::atomic<bool>* cancel,
    const std::function<void(std::int64_t, std::int64_t)>& progress)
{
    const auto size = std::int64_t(bytes.size());
    const std::uint8_t* p = bytes.data();
    std::vector<StructuredIcon> found;
    constexpr std::int64_t kStep = std::int64_t(1) << 22;
    for (std::int64_t blockStart = 0; blockStart < size; blockStart += kStep) {
        if (cancel && cancel->load(std::memory_order_relaxed))
            return std::unexpected(StructureScanError::Cancelled);
        const std::int64_t blockEnd = std::min(size, blockStart + kStep);
        for (std::int64_t at = blockStart; at < blockEnd; ++at) {
            // A fork header starts with a data offset below 16 MB (its first byte zero) and a
            // container with its magic; everything else is passed over at once.
            const std::uint8_t first = p[at];
            if (first == 0 && at + 16 <= size && p[at + 12] == 0 && p[at + 4] == 0) {
                if (plausibleResourceForkHeader(bytes, at)) {
                    if (auto fork = readResourceForkAt(bytes, at))
                        found.insert(found.end(), fork->icons.begin(), fork->icons.end());
                }
            } else if (first == 'i' && at + 8 <= size && std::memcmp(p + at, "icns", 4) == 0) {
                if (auto container = readIconContainerAt(bytes, at))
                    found.insert(found.end(), container->icons.begin(), container->icons.end());
            }
        }
        if (progress)
            progress(blockEnd, size);
    }
    if (progress && size == 0)
        progress(0, 0);
    return found;
}

} // namespace pq
