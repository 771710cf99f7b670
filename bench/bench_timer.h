#pragma once

#include <algorithm>
#include <chrono>

namespace pq::bench {

// Best time of `rounds` runs of `iterations` calls, in milliseconds per call. The best run
// is the least disturbed by the rest of the machine.
template <class F>
double bestMillisecondsPerCall(F&& f, int iterations, int rounds = 7)
{
    double best = 1e300;
    for (int r = 0; r < rounds; ++r) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < iterations; ++i)
            f();
        const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
        best = std::min(best, elapsed.count() / iterations);
    }
    return best;
}

} // namespace pq::bench
