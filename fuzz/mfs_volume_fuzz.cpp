// Opens arbitrary bytes as an MFS volume and reads every listed fork: no crash, hang or
// unbounded allocation whatever the master directory block, the block map or the file
// directory hold.
#include "read_every_fork.h"
#include "sources/memory_byte_source.h"
#include "volumes/mfs_volume.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (const auto volume = pq::readMfsVolume(pq::memorySource(std::span(data, size))))
        pq::fuzzing::readEveryFork(*volume);
    return 0;
}
