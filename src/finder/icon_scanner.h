#pragma once

#include "finder/icon_candidate.h"
#include "finder/icon_find_error.h"
#include "sources/byte_source.h"

#include <atomic>
#include <cstdint>
#include <expected>
#include <functional>
#include <span>
#include <vector>

namespace pq {

struct IconScanOptions {
    double minScore = 0.0;             // candidates scoring less are dropped
    int threads = 0;                   // worker threads; 0 for one per processor
    std::int64_t maxCandidates = 100000; // the best this many are kept (any value; below 0 as 0)
    std::int64_t segmentBytes = std::int64_t(4) << 20; // offsets one worker takes at a time
};

// Finds 1-bit icons with their mask planes, 32×32 and 16×16, at every byte offset of a file.
//
// Every offset first passes the cheap covered-run test (CoveredWindowFinder); the few that
// pass are skipped quickly when the image is blank or the mask constant, and the rest are
// judged and scored by judgeIconPair. Hits of one icon are collapsed into one candidate
// (collapseOverlapping). The work runs in worker threads over segments of the source: each
// worker streams its segment, with the few hundred bytes before and after it that judging an
// offset near its edges needs, into one buffer it reuses, so memory does not grow with the
// file and an icon crossing a seam is judged from whole bytes.
class IconScanner {
public:
    // progress(offsetsScanned, totalOffsets), called on the thread that called scan, a few
    // times a second and once at the end.
    using Progress = std::function<void(std::int64_t, std::int64_t)>;

    explicit IconScanner(IconScanOptions options = {});

    // The candidates in listing order (ranksBefore): each icon once, best first, at most
    // maxCandidates. `cancel`, when given, is polled by the workers; raising it ends the scan
    // within a few milliseconds with Kind::Cancelled. A read that fails ends it with
    // Kind::ReadFailed and the source's error.
    std::expected<std::vector<IconCandidate>, IconFindError> scan(const ByteSource& source,
                                                                  const std::atomic<bool>* cancel = nullptr,
                                                                  const Progress& progress = {}) const;

    // The candidates whose pairs start in [begin, end) of `bytes`, on this thread, before
    // collapsing overlapping ones. Judging an offset reads up to kLookBehind bytes before it
    // and kLookAhead bytes after it, where `bytes` has them.
    std::vector<IconCandidate> scanRange(std::span<const std::uint8_t> bytes, std::int64_t begin,
                                         std::int64_t end) const;

    // The covered-run search looks one plane back (128 bytes) and reaches three planes on, and
    // a length field sits just before a pair: margins that hold all of it.
    static constexpr std::int64_t kLookBehind = 256;
    static constexpr std::int64_t kLookAhead = 512;

private:
    IconScanOptions m_options;
};

} // namespace pq
