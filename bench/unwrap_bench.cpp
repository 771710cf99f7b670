// Decoding a gzip file (256 MiB of disk-like data by default) into a part, against
// `gzip -dc > /dev/null` on the same file, the page cache warm for both. The part is larger
// than the memory limit, so it goes to a temporary file, as a large image would.
//
//   unwrap_bench [MiB]   (default 256)

#include "bench_timer.h"
#include "containers/unwrap.h"
#include "sources/file_byte_source.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Sectors of pseudo-random bytes, runs of zeros and repeated text, like a used disk.
std::string generateImage(std::int64_t bytes)
{
    const char* tmp = std::getenv("TMPDIR");
    const std::string path = std::string(tmp ? tmp : "/tmp") + "/pq_unwrap_bench_" + std::to_string(::getpid()) + ".img";
    std::ofstream out(path, std::ios::binary);
    std::vector<char> sector(512);
    std::uint64_t x = 88172645463325252ull;
    for (std::int64_t done = 0; done < bytes; done += 512) {
        const int kind = static_cast<int>(done / 512 % 5);
        for (std::size_t i = 0; i < sector.size(); ++i) {
            x ^= x << 13, x ^= x >> 7, x ^= x << 17;
            sector[i] = kind < 2 ? static_cast<char>(x) : kind < 4 ? '\0' : "Pixelquarry sector "[i % 19];
        }
        out.write(sector.data(), 512);
    }
    return path;
}

template <class F>
double bestSeconds(F&& f)
{
    return pq::bench::bestMillisecondsPerCall(f, 1, 3) / 1e3;
}

} // namespace

int main(int argc, char** argv)
{
    const std::int64_t mib = argc > 1 ? std::atoll(argv[1]) : 256;
    const std::string image = generateImage(mib << 20);
    const std::string gz = image + ".gz";
    if (std::system(("gzip -kf6 " + image).c_str()) != 0)
        return 1;
    const double tool = bestSeconds([&] { (void)std::system(("gzip -dc " + gz + " > /dev/null").c_str()); });
    const auto source = *pq::FileByteSource::open(gz);
    pq::UnwrapOptions options;
    bool ok = true;
    const double ours = bestSeconds([&] {
        const auto opened = pq::unwrap(source, "bench.img.gz", options);
        ok = ok && opened && opened->parts.size() == 1 && opened->parts[0].size() == (mib << 20);
    });
    std::printf("gzip decode of %lld MiB: gzip -dc %.2f s, unwrap to a temporary file %.2f s, ratio %.2f%s\n",
                static_cast<long long>(mib), tool, ours, tool / ours, ok ? "" : " (WRONG SIZE)");
    std::remove(image.c_str());
    std::remove(gz.c_str());
    return ok ? 0 : 1;
}
