#pragma once

#include "volumes/volume.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

// Reads every listed fork of a fuzzed volume through its extents, 4096 bytes at a time.
inline void readEveryFork(const pq::Volume& volume)
{
    std::vector<std::byte> buffer(4096);
    for (const pq::VolumeFile& file : volume.files())
        for (const auto kind : {pq::ForkKind::Data, pq::ForkKind::Resource}) {
            const auto fork = volume.fork(file, kind);
            if (!fork)
                continue;
            for (std::int64_t at = 0; at < (*fork)->size(); at += 4096) {
                const auto length = static_cast<std::size_t>(std::min<std::int64_t>(4096, (*fork)->size() - at));
                (void)(*fork)->read(at, std::span(buffer).first(length));
            }
        }
}
