#pragma once

#include "finder/icon_candidate.h"

#include <atomic>
#include <cstdint>
#include <expected>
#include <functional>
#include <span>
#include <vector>

namespace pq {

enum class IconScanError {
    Cancelled, // the cancel flag was raised before the scan finished
};

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
// (collapseOverlapping). The work runs in worker threads over segments of the file.
class IconScanner {
public:
    // progress(offsetsScanned, totalOffsets), called on the thread that called scan, a few
    // times a second and once at the end.
    using Progress = std::function<void(std::int64_t, std::int64_t)>;

    explicit IconScanner(IconScanOptions options = {});

    // The candidates in listing order (ranksBefore): each icon once, best first, at most
    // maxCandidates. `cancel`, when given, is polled by the workers; raising it ends the scan
    // within a few milliseconds with IconScanError::Cancelled.
    std::expected<std::vector<IconCandidate>, IconScanError> scan(std::span<const std::uint8_t> bytes,
                                                                  const std::atomic<bool>* cancel = nullptr,
                                                                  const Progress& progress = {}) const;

    // The candidates whose pairs start in [begin, end), on this thread, before collapsing
    // overlapping ones; for the scan's workers and for tests.
    std::vector<IconCandidate> scanRange(std::span<const std::uint8_t> bytes, std::int64_t begin,
                                         std::int64_t end) const;

private:
    IconScanOptions m_options;
};

} // namespace pq
