// Opens arbitrary bytes as an HFS volume and reads every listed fork: no crash, hang or
// unbounded allocation whatever the master directory block, the trees or the extents hold.
#include "sources/memory_byte_source.h"
#include "volumes/hfs_volume.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto volume = pq::readHfsVolume(pq::memorySource(std::span(data, size)));
    if (!volume)
        return 0;
    std::vector<std::byte> buffer(4096);
    for (const pq::VolumeFile& file : volume->files())
        for (const auto kind : {pq::ForkKind::Data, pq::ForkKind::Resource}) {
            const auto fork = volume->fork(file, kind);
            if (!fork)
                continue;
            for (std::int64_t at = 0; at < (*fork)->size(); at += 4096) {
                const auto length = static_cast<std::size_t>(std::min<std::int64_t>(4096, (*fork)->size() - at));
                (void)(*fork)->read(at, std::span(buffer).first(length));
            }
        }
    return 0;
}
