#include "finder/icon_scanner.h"

#include "finder/candidate_collapse.h"
#include "finder/covered_window_finder.h"
#include "finder/icon_pair_scorer.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <limits>
#include <mutex>
#include <optional>
#include <thread>

namespace pq {

namespace {

constexpr int kSides[] = {32, 16};
constexpr std::int64_t kCancelCheckBytes = std::int64_t(1) << 18; // offsets between cancel checks

// The first position in [from, to) whose byte differs from `value`; `to` when there is none.
std::int64_t firstOtherThan(const std::uint8_t* bytes, std::int64_t from, std::int64_t to, std::uint8_t value)
{
    while (from < to && bytes[from] == value)
        ++from;
    return from;
}

// Keeps the best `limit` candidates in `candidates` once it holds more than twice as many.
void bound(std::vector<IconCandidate>& candidates, std::int64_t limit)
{
    if (limit < 0 || std::int64_t(candidates.size()) - limit <= limit)
        return;
    std::nth_element(candidates.begin(), candidates.begin() + limit, candidates.end(), &ranksBefore);
    candidates.resize(std::size_t(limit));
}

} // namespace

IconScanner::IconScanner(IconScanOptions options) : m_options(options)
{
    m_options.segmentBytes = std::max<std::int64_t>(m_options.segmentBytes, 4096);
    m_options.maxCandidates = std::max<std::int64_t>(m_options.maxCandidates, 0);
}

std::vector<IconCandidate> IconScanner::scanRange(std::span<const std::uint8_t> bytes, std::int64_t begin,
                                                  std::int64_t end) const
{
    std::vector<IconCandidate> found;
    const std::uint8_t* data = bytes.data();
    for (int side : kSides) {
        const std::int64_t length = IconFormat::square(1, side).chunkLength();
        const CoveredWindowFinder finder(bytes, length);
        finder.find(begin, end, [&](std::int64_t first, std::int64_t last) {
            for (std::int64_t o = first; o <= last;) {
                // A blank image: skip every offset whose image lies in the same run of zeros.
                const std::int64_t inked = firstOtherThan(data, o, o + length, 0);
                if (inked == o + length) {
                    o = firstOtherThan(data, inked, last + length, 0) - length + 1;
                    continue;
                }
                // A constant mask: skip every offset whose mask lies in the same run.
                const std::uint8_t fill = data[o + length];
                const std::int64_t varied = firstOtherThan(data, o + length, o + 2 * length, fill);
                if (varied == o + 2 * length) {
                    o = firstOtherThan(data, varied, last + 2 * length, fill) - 2 * length + 1;
                    continue;
                }
                if (auto evidence = judgeIconPair(bytes, o, side)) {
                    const double score = evidence->score();
                    if (score >= m_options.minScore)
                        found.push_back({o, side, score, evidence->lengthField, evidence->rowImbalance,
                                         evidence->columnImbalance});
                }
                ++o;
            }
        });
    }
    return found;
}

std::expected<std::vector<IconCandidate>, IconFindError> IconScanner::scan(const ByteSource& source,
                                                                           const std::atomic<bool>* cancel,
                                                                           const Progress& progress) const
{
    const std::int64_t total = source.size();
    const std::int64_t segment = m_options.segmentBytes;
    const std::int64_t segments = (total + segment - 1) / segment;
    int threads = m_options.threads > 0 ? m_options.threads : int(std::max(1u, std::thread::hardware_concurrency()));
    threads = int(std::clamp<std::int64_t>(threads, 1, std::max<std::int64_t>(segments, 1)));

    // Each segment's list is collapsed already; a pair that crosses into the next segment can
    // still lose to a neighbour there, at most two per boundary, so a few more are kept.
    // Any limit is allowed: one too large to add to keeps everything.
    std::int64_t keep = 0;
    if (__builtin_add_overflow(m_options.maxCandidates, 2 * segments + 16, &keep))
        keep = std::numeric_limits<std::int64_t>::max();
    std::atomic<std::int64_t> nextSegment{0}, scanned{0};
    std::atomic<bool> stopped{false};
    std::mutex mutex;
    std::condition_variable finished;
    int running = threads;
    std::vector<IconCandidate> all;
    std::optional<ReadError> readFailure;
    std::exception_ptr failure;
    const auto cancelled = [&] { return stopped.load() || (cancel && cancel->load(std::memory_order_relaxed)); };

    auto work = [&] {
        try {
            // The segment with its margins, read afresh for every segment into one buffer.
            std::vector<std::uint8_t> buffer(std::size_t(std::min(total, segment + kLookBehind + kLookAhead)));
            for (std::int64_t s = nextSegment++; s < segments && !cancelled(); s = nextSegment++) {
                const std::int64_t begin = s * segment, end = std::min(total, begin + segment);
                const std::int64_t from = std::max<std::int64_t>(0, begin - kLookBehind);
                const auto window = std::span(buffer).first(std::size_t(std::min(total, end + kLookAhead) - from));
                if (auto read = source.readStreaming(from, std::as_writable_bytes(window)); !read) {
                    const std::lock_guard lock(mutex);
                    readFailure = read.error();
                    stopped = true;
                    break;
                }
                std::vector<IconCandidate> found;
                for (std::int64_t at = begin; at < end && !cancelled(); at += kCancelCheckBytes) {
                    const std::int64_t to = std::min(end, at + kCancelCheckBytes);
                    for (IconCandidate candidate : scanRange(window, at - from, to - from)) {
                        candidate.offset += from;
                        found.push_back(candidate);
                    }
                    scanned += to - at;
                }
                found = collapseOverlapping(std::move(found));
                const std::lock_guard lock(mutex);
                all.insert(all.end(), found.begin(), found.end());
                bound(all, keep);
            }
        } catch (...) {
            const std::lock_guard lock(mutex);
            failure = std::current_exception();
            stopped = true;
        }
        const std::lock_guard lock(mutex);
        --running;
        finished.notify_all();
    };

    std::vector<std::jthread> workers;
    for (int i = 0; i < threads; ++i)
        workers.emplace_back(work);
    std::int64_t reported = -1;
    {
        std::unique_lock lock(mutex);
        while (running > 0) {
            finished.wait_for(lock, std::chrono::milliseconds(100));
            const std::int64_t now = scanned.load();
            if (progress && now != reported && running > 0) {
                reported = now;
                lock.unlock();
                progress(now, total);
                lock.lock();
            }
        }
    }
    workers.clear();
    if (failure)
        std::rethrow_exception(failure);
    if (readFailure)
        return std::unexpected(IconFindError::readFailed(*readFailure));
    if (cancel && cancel->load())
        return std::unexpected(IconFindError::cancelled());
    if (progress)
        progress(total, total);
    auto result = collapseOverlapping(std::move(all));
    if (std::int64_t(result.size()) > m_options.maxCandidates)
        result.resize(std::size_t(m_options.maxCandidates));
    return result;
}

} // namespace pq
