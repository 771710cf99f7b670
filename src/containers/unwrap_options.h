#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace pq {

// progress(inputBytesDone, inputBytesTotal) while a stream decodes; returning false cancels.
using UnwrapProgress = std::function<bool(std::int64_t, std::int64_t)>;

struct UnwrapOptions {
    std::string tempFolder;                                // large decoded parts go here; empty: the system's
    std::int64_t memoryLimit = std::int64_t{64} << 20;     // decoded parts up to this size stay in memory
    std::int64_t maxDecodedSize = std::int64_t{16} << 30;  // a part decoding past this stops with TooLarge
    UnwrapProgress progress;
};

} // namespace pq
