// Byte sources on a generated file (1 GiB by default), in one run: the streaming SHA-256 of
// the file source against `openssl dgst -sha256` on the same file (the page cache warm for
// both), the peak resident memory of the digest pass, and 4 KiB reads at random offsets (like
// tiles) through the block cache against plain preads: on one screen, scrolling, anywhere.
//
//   byte_source_bench [MiB]   (default 1024)

#include "bench_machine.h"
#include "bench_timer.h"
#include "sources/file_byte_source.h"
#include "sources/source_digest.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string generateFile(std::int64_t bytes)
{
    const char* tmp = std::getenv("TMPDIR");
    const std::string path = std::string(tmp ? tmp : "/tmp") + "/pq_byte_source_bench_" + std::to_string(::getpid());
    std::ofstream out(path, std::ios::binary);
    std::vector<std::uint64_t> chunk(std::size_t{1} << 16);
    std::uint64_t x = 88172645463325252ull;
    for (std::int64_t done = 0; done < bytes; done += std::int64_t(chunk.size() * 8)) {
        for (auto& word : chunk) {
            x ^= x << 13, x ^= x >> 7, x ^= x << 17;
            word = x;
        }
        const std::int64_t count = std::min<std::int64_t>(bytes - done, std::int64_t(chunk.size() * 8));
        out.write(reinterpret_cast<const char*>(chunk.data()), std::streamsize(count));
    }
    return path;
}

// Peak resident set since the last reset, in MiB.
long peakResidentMiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6) / 1024;
    return -1;
}

void resetPeakResident()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

template <class F>
double bestSeconds(F&& f, int rounds = 3)
{
    return pq::bench::bestMillisecondsPerCall(f, 1, rounds) / 1e3;
}

std::string openssl(const std::string& path)
{
    std::string out(256, '\0');
    FILE* pipe = ::popen(("openssl dgst -sha256 -r '" + path + "'").c_str(), "r");
    out.resize(pipe ? std::fread(out.data(), 1, out.size(), pipe) : 0);
    if (pipe)
        ::pclose(pipe);
    return out.substr(0, 64);
}

} // namespace

int main(int argc, char** argv)
{
    const std::int64_t mib = argc > 1 ? std::atoll(argv[1]) : 1024;
    std::printf("machine: %s, %ld cores\n", pq::bench::cpuModel().c_str(), ::sysconf(_SC_NPROCESSORS_ONLN));
    const std::string path = generateFile(mib << 20);
    auto source = pq::FileByteSource::open(path);
    if (!source) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        return 1;
    }
    std::string ours, theirs;
    openssl(path); // the page cache holds the file for both from here on

    resetPeakResident();
    const long before = peakResidentMiB();
    const double digestSeconds = bestSeconds([&] { ours = pq::sha256Hex(**source).value_or("failed"); });
    const long peak = peakResidentMiB();
    const double opensslSeconds = bestSeconds([&] { theirs = openssl(path); });
    std::printf("digest of %lld MiB: %.3f s, openssl dgst -sha256 %.3f s, ratio %.2f (goal <= 1.1), %s\n",
                static_cast<long long>(mib), digestSeconds, opensslSeconds, digestSeconds / opensslSeconds,
                ours == theirs ? "same digest" : "DIGESTS DIFFER");
    std::printf("peak resident memory of the digest pass: %ld MiB (before it: %ld MiB)\n", peak, before);

    // Microseconds per 4 KiB read at the offsets `next()` gives, through the cache or as plain preads.
    std::vector<std::byte> tile(4096);
    const std::int64_t last = (*source)->size() - std::int64_t(tile.size());
    const auto perRead = [&](auto next, bool cached) {
        return pq::bench::bestMillisecondsPerCall([&] {
            const std::int64_t offset = next();
            (void)(cached ? (*source)->read(offset, tile) : (*source)->readStreaming(offset, tile));
        }, 20000, 3) * 1e3;
    };
    std::mt19937_64 random(1);
    const auto screen = [&] { return std::int64_t(random() % (16u << 20)); };
    std::int64_t position = 0;
    const auto scroll = [&] { return position = (position + 4096) % last; };
    const auto anywhere = [&] { return std::int64_t(random() % std::uint64_t(last)); };
    std::printf("4 KiB reads in us each, cache of 64 x 1 MiB against plain preads:\n"
                "  random within 16 MiB (on screen): %.2f / %.2f\n"
                "  one after another (scrolling):    %.2f / %.2f\n"
                "  random anywhere in the file:      %.2f / %.2f\n",
                perRead(screen, true), perRead(screen, false), perRead(scroll, true), perRead(scroll, false),
                perRead(anywhere, true), perRead(anywhere, false));
    ::unlink(path.c_str());
}
