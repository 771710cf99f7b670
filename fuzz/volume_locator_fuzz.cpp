// Opens arbitrary bytes as a disk image: finds its volumes (bare, after a DiskCopy header, in
// an Apple partition map), reads each, lists every file's stored icons and resolves every
// Finder icon: no crash, hang or unbounded allocation whatever the map, the volumes, the
// resource forks or their bundles hold.
#include "finder/finder_icon.h"
#include "finder/volume_icons.h"
#include "sources/memory_byte_source.h"
#include "volumes/volume_locator.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::shared_ptr<const pq::ByteSource> source = pq::memorySource(std::span(data, size));
    for (const pq::VolumeLocation& location : pq::locateVolumes(*source)) {
        const auto volume = pq::openVolumeAt(source, location);
        if (!volume)
            continue;
        (void)pq::findVolumeIcons(*volume);
        const pq::FinderIconResolver resolver(*volume);
        for (const pq::VolumeFile& file : volume->files())
            (void)resolver.icon(file);
        for (const pq::VolumeFolder& folder : volume->folders())
            (void)resolver.icon(folder);
    }
    return 0;
}
