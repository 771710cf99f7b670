// Opens arbitrary bytes as an HFS+ volume, bare or inside an HFS wrapper, and reads every
// listed fork: no crash, hang or unbounded allocation whatever the volume header, the trees,
// the names or the extents hold.
#include "sources/extent_byte_source.h"
#include "sources/memory_byte_source.h"
#include "read_every_fork.h"
#include "volumes/hfs_plus_volume.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::shared_ptr<const pq::ByteSource> source = pq::memorySource(std::span(data, size));
    if (const auto embedded = pq::embeddedHfsPlusVolume(*source))
        if (auto view = pq::ExtentByteSource::create(source, {*embedded}))
            source = std::move(*view);
    if (const auto volume = pq::readHfsPlusVolume(source))
        pq::fuzzing::readEveryFork(*volume);
    return 0;
}
