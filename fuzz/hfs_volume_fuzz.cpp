// Opens arbitrary bytes as an HFS volume and reads every listed fork: no crash, hang or
// unbounded allocation whatever the master directory block, the trees or the extents hold.
#include "sources/memory_byte_source.h"
#include "volume_forks.h"
#include "volumes/hfs_volume.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (const auto volume = pq::readHfsVolume(pq::memorySource(std::span(data, size))))
        readEveryFork(*volume);
    return 0;
}
