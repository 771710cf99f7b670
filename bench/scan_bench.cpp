// Icon finder throughput on a file of mixed filler with planted icons (1 GiB by default) read
// through a file source, against a plain pass that sums the same bytes read through the same
// source, in the same run. Prints the wall time of one and of two workers and their ratio, the
// ratio of the times (scan / sum) by the wall clock and by the CPU time the process used, the
// structure pass's time, the accuracy on the planted icons and the peak resident memory. The
// file is written in pieces and read back from the page cache.
//
//   scan_bench [MiB]   (default 1024)

#include "bench_machine.h"
#include "bench_timer.h"
#include "finder/covered_window_finder.h"
#include "finder/icon_scanner.h"
#include "finder/structured_icon_finder.h"
#include "icon_hunt_image.h"
#include "sources/file_byte_source.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <numeric>
#include <span>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::int64_t kPiece = std::int64_t(16) << 20; // written, and summed, this much at a time

// Writes `size` bytes of filler with icons planted in every piece; the icons, in file order.
std::vector<pq::sample::PlantedIcon> writeImage(const std::string& path, std::int64_t size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::vector<pq::sample::PlantedIcon> icons;
    for (std::int64_t at = 0; at < size; at += kPiece) {
        const std::int64_t length = std::min(kPiece, size - at);
        auto piece = pq::sample::makeIconHuntImage(std::size_t(length), int(length >> 19), std::uint32_t(7 + at / kPiece));
        for (auto icon : piece.icons) {
            icon.offset += at;
            icons.push_back(icon);
        }
        out.write(reinterpret_cast<const char*>(piece.bytes.data()), std::streamsize(length));
    }
    return icons;
}

// The plain pass: every byte read through the source and summed, split over `threads` threads
// in pieces like the scanner's segments.
std::uint64_t sumThroughSource(const pq::ByteSource& source, int threads)
{
    const std::int64_t pieces = (source.size() + kPiece - 1) / kPiece;
    std::vector<std::uint64_t> sums(std::size_t(threads), 0);
    {
        std::vector<std::jthread> workers;
        for (int t = 0; t < threads; ++t)
            workers.emplace_back([&, t] {
                std::vector<std::uint8_t> buffer(std::size_t(std::min(kPiece, source.size())));
                for (std::int64_t p = t; p < pieces; p += threads) {
                    const auto part = std::span(buffer).first(std::size_t(std::min(kPiece, source.size() - p * kPiece)));
                    if (!source.readStreaming(p * kPiece, std::as_writable_bytes(part)))
                        std::abort();
                    sums[std::size_t(t)] = std::accumulate(part.begin(), part.end(), sums[std::size_t(t)]);
                }
            });
    }
    return std::accumulate(sums.begin(), sums.end(), std::uint64_t(0));
}

// Wall-clock time and the CPU time of the whole process: on a shared machine the second shows
// what the cores do while it runs.
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

// How many processors this run has to itself: the speed-up of two threads each spinning on
// arithmetic for as long as one does alone (2 on an idle two-processor machine).
double freeProcessors()
{
    const auto spin = [](int threads) {
        return pq::bench::bestMillisecondsPerCall(
            [threads] {
                std::vector<std::jthread> workers;
                for (int t = 0; t < threads; ++t)
                    workers.emplace_back([] {
                        volatile std::uint64_t x = 1;
                        for (int i = 0; i < 100000000; ++i)
                            x = x * 6364136223846793005ull + 1;
                    });
            },
            1, 2);
    };
    const double one = spin(1);
    return 2.0 * one / spin(2);
}

std::string firstLine(const char* path)
{
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

} // namespace

int main(int argc, char** argv)
{
    const std::int64_t mebibytes = argc > 1 ? std::atol(argv[1]) : 1024;
    const std::int64_t size = mebibytes << 20;
    const char* tmp = std::getenv("TMPDIR");
    const std::string path = std::string(tmp ? tmp : "/tmp") + "/pq_scan_bench_" + std::to_string(::getpid());
    std::printf("machine: %u processors (nproc), %s; instruction set: %s\n", std::thread::hardware_concurrency(),
                pq::bench::cpuName().c_str(), pq::CoveredWindowFinder::instructionSet());
    std::printf("writing %lld MiB of mixed filler with planted icons to %s...\n", static_cast<long long>(mebibytes), path.c_str());
    const auto planted = writeImage(path, size);
    const auto source = pq::FileByteSource::open(path).value();
    std::printf("load average before the runs: %s; processors free for this run: %.2f\n",
                firstLine("/proc/loadavg").c_str(), freeProcessors());

    volatile std::uint64_t sink = 0;
    std::vector<pq::IconCandidate> found;
    double wall[3] = {};
    for (int threads : {1, 2}) {
        pq::IconScanOptions options;
        options.threads = threads;
        const pq::IconScanner scanner(options);
        const Timing scan = bestOf(2, [&] { found = scanner.scan(*source).value(); });
        const Timing sum = bestOf(2, [&] { sink = sink + sumThroughSource(*source, threads); });
        wall[threads] = scan.wallMs;
        std::printf("%d thread%s: scan %7.0f ms (%zu candidates), sum %6.0f ms, scan/sum %.2f | by CPU time: scan %7.0f ms, "
                    "sum %6.0f ms, ratio %.2f\n",
                    threads, threads == 1 ? " " : "s", scan.wallMs, found.size(), sum.wallMs, scan.wallMs / sum.wallMs,
                    scan.cpuMs, sum.cpuMs, scan.cpuMs / sum.cpuMs);
    }
    std::printf("2 threads against 1: %.2fx faster (goal 1.7x)\n", wall[1] / wall[2]);
    std::size_t structured = 0;
    const Timing structure = bestOf(1, [&] { structured = pq::findStructuredIcons(*source).value().size(); });
    std::printf("structure pass: %.0f ms, %zu icons in forks and containers\n", structure.wallMs, structured);

    // Accuracy: a planted icon counts as found when a candidate of its size starts within its
    // rows (row-shifted readings of icons with blank rows included).
    auto reads = [](const pq::IconCandidate& c, const pq::sample::PlantedIcon& icon) {
        const std::int64_t shift = c.offset - icon.offset;
        return c.side == icon.side && shift % (icon.side / 8) == 0 && std::abs(shift) < c.planeLength();
    };
    std::size_t foundPlanted = 0, top = 0;
    for (const auto& icon : planted)
        foundPlanted += std::any_of(found.begin(), found.end(), [&](const auto& c) { return reads(c, icon); });
    const std::size_t n = planted.size();
    for (std::size_t i = 0; i < std::min(n, found.size()); ++i)
        top += std::any_of(planted.begin(), planted.end(), [&](const auto& icon) { return reads(found[i], icon); });
    std::printf("accuracy: %zu planted, %zu found, top %zu holds %zu planted, best other score %.3f\n", n,
                foundPlanted, n, top, found.size() > n ? found[n].score : 0.0);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory: %ld MiB (goal under 300 MiB)\n", usage.ru_maxrss / 1024);
    ::unlink(path.c_str());
    return 0;
}
