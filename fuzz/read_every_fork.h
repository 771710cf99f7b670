#pragma once

// Reads every listed fork of a volume a fuzz target opened, in pieces of 4 KiB: shared by the
// targets of every volume format, so each walks the same fork views.
#include "volumes/volume.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pq::fuzzing {

inline void readEveryFork(const Volume& volume)
{
    std::vector<std::byte> buffer(4096);
    for (const VolumeFile& file : volume.files())
        for (const auto kind : {ForkKind::Data, ForkKind::Resource}) {
            const auto fork = volume.fork(file, kind);
            if (!fork)
                continue;
            for (std::int64_t at = 0; at < (*fork)->size(); at += 4096) {
                const auto length = static_cast<std::size_t>(std::min<std::int64_t>(4096, (*fork)->size() - at));
                (void)(*fork)->read(at, std::span(buffer).first(length));
            }
        }
}

} // namespace pq::fuzzing
