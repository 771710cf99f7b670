#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace pq {

// progress(inputBytesDone, inputBytesTotal) while a stream decodes; returning false cancels.
using UnwrapProgress = std::function<bool(std::int64_t, std::int64_t)>;

// confirmLargePart(expectedBytes, layer): whether to go on with a part of the wrapper `layer`
// ("gzip") that is large; false cancels.
using ConfirmLargePart = std::function<bool(std::int64_t, const std::string&)>;

struct UnwrapOptions {
    std::string tempFolder;                                // large decoded parts go here; empty: the system's
    std::int64_t memoryLimit = std::int64_t{64} << 20;     // decoded parts up to this size stay in memory
    std::int64_t maxDecodedSize = std::int64_t{16} << 30;  // a part decoding past this stops with TooLarge
    UnwrapProgress progress;
    // Asked once per part, before it decodes when its wrapper declares more than `askAbove`
    // bytes, or when an undeclared part grows past it. Absent: yes.
    ConfirmLargePart confirmLargePart;
    std::int64_t askAbove = std::int64_t{1} << 30;
    // Decoded bytes written to the temporary folder never leave it less free space than this.
    std::int64_t freeSpaceMargin = std::int64_t{512} << 20;
    // Where the programs lsar and unar (StuffIt, Compact Pro) are looked for; empty: PATH.
    std::string toolFolder;
};

} // namespace pq
