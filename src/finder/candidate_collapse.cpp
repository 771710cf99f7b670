#include "finder/candidate_collapse.h"

#include <algorithm>
#include <iterator>
#include <map>

namespace pq {

std::vector<IconCandidate> collapseOverlapping(std::vector<IconCandidate> candidates)
{
    std::sort(candidates.begin(), candidates.end(), &ranksBefore);
    std::map<std::int64_t, std::int64_t> kept; // first byte -> one past the last byte; disjoint
    std::vector<IconCandidate> result;
    for (const IconCandidate& candidate : candidates) {
        const std::int64_t first = candidate.offset, end = candidate.offset + candidate.pairLength();
        auto next = kept.lower_bound(first);
        if (next != kept.end() && next->first < end)
            continue;
        if (next != kept.begin() && std::prev(next)->second > first)
            continue;
        kept.emplace_hint(next, first, end);
        result.push_back(candidate);
    }
    return result;
}

} // namespace pq
