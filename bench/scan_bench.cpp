// Icon finder throughput on a 1 GiB image of mixed filler, against a plain pass that sums the
// same bytes, in the same run. Prints MB/s for one worker and for every core, and the ratio of
// the times (scan / sum), by the wall clock and by the CPU time the process used.
//
//   scan_bench [MiB]   (default 1024)

#include "bench_timer.h"
#include "finder/covered_window_finder.h"
#include "finder/icon_scanner.h"
#include "icon_hunt_image.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <numeric>
#include <span>
#include <thread>
#include <vector>

namespace {

using Bytes = std::span<const std::uint8_t>;

std::uint64_t sumBytes(Bytes bytes)
{
    std::uint64_t sum = 0;
    for (std::uint8_t b : bytes)
        sum += b;
    return sum;
}

// The plain pass split over `threads` threads like the scanner's workers.
std::uint64_t sumBytesThreaded(Bytes bytes, int threads)
{
    std::vector<std::uint64_t> sums(std::size_t(threads), 0);
    {
        std::vector<std::jthread> workers;
        const std::size_t part = (bytes.size() + std::size_t(threads) - 1) / std::size_t(threads);
        for (int t = 0; t < threads; ++t)
            workers.emplace_back([&, t] {
                const std::size_t begin = std::min(bytes.size(), std::size_t(t) * part);
                sums[std::size_t(t)] = sumBytes(bytes.subspan(begin, std::min(part, bytes.size() - begin)));
            });
    }
    return std::accumulate(sums.begin(), sums.end(), std::uint64_t(0));
}

// Wall-clock time and the CPU time of the whole process: on a shared machine the second shows
// what one core does while it runs.
struct Timing {
    double wallMs = 1e300, cpuMs = 1e300;
};

double processCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// The best of `rounds` runs, each measure on its own.
template <class F>
Timing bestOf(int rounds, F&& f)
{
    Timing best;
    for (int r = 0; r < rounds; ++r) {
        const double cpu = processCpuMs();
        const double wall = pq::bench::bestMillisecondsPerCall(f, 1, 1);
        best.wallMs = std::min(best.wallMs, wall);
        best.cpuMs = std::min(best.cpuMs, processCpuMs() - cpu);
    }
    return best;
}

double megabytesPerSecond(std::size_t bytes, double milliseconds)
{
    return double(bytes) / 1e6 / (milliseconds / 1e3);
}

} // namespace

int main(int argc, char** argv)
{
    const std::size_t mebibytes = argc > 1 ? std::size_t(std::atol(argv[1])) : 1024;
    const std::size_t size = mebibytes << 20;
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    std::printf("building %zu MiB of mixed filler with 2000 planted icons...\n", mebibytes);
    const auto image = pq::sample::makeIconHuntImage(size, 2000, 7);
    const Bytes bytes(image.bytes);
    std::printf("instruction set: %s, cores: %d\n", pq::CoveredWindowFinder::instructionSet(), cores);

    volatile std::uint64_t sink = 0;
    for (int threads : {1, cores}) {
        pq::IconScanOptions options;
        options.threads = threads;
        const pq::IconScanner scanner(options);
        std::size_t found = 0;
        const Timing scan = bestOf(3, [&] { found = scanner.scan(bytes)->size(); });
        const Timing sum = bestOf(3, [&] { sink = sink + sumBytesThreaded(bytes, threads); });
        std::printf("%d thread%s: scan %6.0f MB/s (%zu candidates), sum %6.0f MB/s, scan/sum %.2f | per busy core: "
                    "scan %6.0f MB/s, sum %6.0f MB/s, ratio %.2f\n",
                    threads, threads == 1 ? " " : "s", megabytesPerSecond(size, scan.wallMs), found,
                    megabytesPerSecond(size, sum.wallMs), scan.wallMs / sum.wallMs, megabytesPerSecond(size, scan.cpuMs),
                    megabytesPerSecond(size, sum.cpuMs), scan.cpuMs / sum.cpuMs);
    }

    // Accuracy on the same image: a planted icon counts as found when a candidate of its size
    // starts within its rows (row-shifted readings of icons with blank rows included).
    const auto found = pq::IconScanner().scan(bytes).value();
    auto reads = [](const pq::IconCandidate& c, const pq::sample::PlantedIcon& icon) {
        const std::int64_t shift = c.offset - icon.offset;
        return c.side == icon.side && shift % (icon.side / 8) == 0 && std::abs(shift) < c.planeLength();
    };
    std::size_t foundPlanted = 0, top = 0;
    for (const auto& icon : image.icons)
        foundPlanted += std::any_of(found.begin(), found.end(), [&](const auto& c) { return reads(c, icon); });
    const std::size_t n = image.icons.size();
    for (std::size_t i = 0; i < std::min(n, found.size()); ++i)
        top += std::any_of(image.icons.begin(), image.icons.end(), [&](const auto& icon) { return reads(found[i], icon); });
    std::printf("accuracy: %zu planted, %zu found, top %zu holds %zu planted, best other score %.3f\n", n,
                foundPlanted, n, top, found.size() > n ? found[n].score : 0.0);
    return 0;
}
