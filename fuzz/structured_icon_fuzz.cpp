// Runs the resource-fork and icon-container detector over fuzzed bytes, and reads a fork (its
// icons, its whole map and its Finder bundles) and a container at a fuzzed offset directly, and
// the colour icons and cursors with their own palettes (listed, never decoded) of both.
#include "finder/finder_bundle.h"
#include "finder/icon_container_reader.h"
#include "finder/own_palette_icon.h"
#include "finder/resource_fork_reader.h"
#include "finder/structured_icon_finder.h"
#include "sources/memory_byte_source.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::span<const std::uint8_t> bytes(data, size);
    std::vector<pq::OwnPaletteIcon> listedOnly;
    auto found = pq::findStructuredIcons(*pq::memorySource(bytes), nullptr, {}, &listedOnly);
    for (const auto& icon : *found) {
        // Every listed icon's pixel data lies within the file.
        if (icon.offset < 0 || icon.offset > std::int64_t(size))
            __builtin_trap();
    }
    if (size >= 2) {
        const std::int64_t at = (std::int64_t(data[0]) << 8 | data[1]) % std::int64_t(size);
        (void)pq::readResourceForkAt(bytes, at);
        if (const auto map = pq::readResourceMap(bytes, at)) {
            (void)pq::readFinderBundles(bytes, *map);
            (void)pq::ownPaletteIcons(*map, bytes);
        }
        (void)pq::ownPaletteIconPixels(data[0] & 1 ? "cicn" : "crsr", bytes.subspan(2));
        (void)pq::readIconContainerAt(bytes, at);
    }
    return 0;
}
