// `pixelquarry-cli catalog` over an archive of 1.44 MB floppy images, against the goal of 1,000
// floppies in 30 s on two cores: each image is filler with three planted 1-bit icons with masks
// (designs shared between images) and a resource fork holding an ICN# of its own (so that each
// image brings one distinct icon). One run with the default jobs, a run again (every input
// unchanged), then two shards and their merge, whose folder must equal the one run's byte for
// byte.
//
//   catalog_bench [images]   (default 1000)

#include "bench_machine.h"
#include "resource_fork_writer.h"
#include "sample_image.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
constexpr std::size_t kFloppy = 1474560;
constexpr int kFillers = 50; // filler patterns, each image's planted icons and fork making it unique
const char* const kDesigns[] = {"floppy", "smiley", "folder", "document", "trash", "bell"};

std::vector<std::uint8_t> floppyImage(int n, const std::vector<std::vector<std::uint8_t>>& fillers)
{
    auto bytes = fillers[std::size_t(n % kFillers)];
    const std::int64_t base = 4096 + (n * 7919) % 200000;
    pq::sample::plantIcon(bytes, base + 1, kDesigns[n % 6], 32, 1, true);
    pq::sample::plantIcon(bytes, base + 300001, kDesigns[(n / 6) % 6], 16, 1, true);
    pq::sample::plantIcon(bytes, base + 700003, kDesigns[(n / 36) % 6], 32, 1, true);
    // An ICN# of its own: a design with the image's number drawn into its top row, fully masked.
    auto icon = pq::sample::drawIcon(kDesigns[n % 6], 32, 1).pixelPlane(1);
    for (int b = 0; b < 4; ++b)
        icon[std::size_t(b)] = std::uint8_t(n >> (8 * b));
    icon.resize(256, 0xFF);
    const auto fork = pq::sample::writeResourceFork({{"ICN#", 128, "Icon " + std::to_string(n), icon}}).bytes;
    std::ranges::copy(fork, bytes.begin() + 1000000 + (n % 512) * 2);
    return bytes;
}

double timedRun(const std::string& command)
{
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string lastLine(const fs::path& file)
{
    std::ifstream in(file);
    std::string line, last;
    while (std::getline(in, line))
        last = line;
    return last;
}

std::map<std::string, std::string> folderFiles(const fs::path& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) {
            std::ifstream in(entry.path(), std::ios::binary);
            files[fs::relative(entry.path(), folder)] = std::string(std::istreambuf_iterator<char>(in), {});
        }
    return files;
}

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    std::printf("machine: %u cores (nproc), %s; load average %s\n", std::thread::hardware_concurrency(),
                pq::bench::cpuName().c_str(), pq::bench::loadAverage().c_str());
    const fs::path root = fs::temp_directory_path() / ("pq_catalog_bench_" + std::to_string(::getpid()));
    const fs::path archive = root / "archive";
    fs::create_directories(archive);
    std::vector<std::vector<std::uint8_t>> fillers;
    for (int f = 0; f < kFillers; ++f)
        fillers.push_back(pq::sample::makeFiller(kFloppy, std::uint32_t(f + 1)));
    for (int n = 0; n < count; ++n) {
        const auto bytes = floppyImage(n, fillers);
        char name[32];
        std::snprintf(name, sizeof name, "%04d.img", n);
        std::ofstream(archive / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    const std::string cli = PQ_CLI;
    const auto catalog = [&](const std::string& arguments, const char* log) {
        return timedRun(cli + " catalog " + arguments + " 2>" + (root / log).string());
    };
    const std::string a = archive.string(), r = root.string();
    const double one = catalog(a + " --out " + r + "/one", "one.log");
    std::printf("  %d floppies, default jobs: %6.1f s   goal < 30 s  %s\n    %s\n", count, one, one < 30 ? "met" : "MISSED",
                lastLine(root / "one.log").c_str());
    const double again = catalog(a + " --out " + r + "/one", "again.log");
    std::printf("  run again, every input unchanged: %6.2f s\n    %s\n", again, lastLine(root / "again.log").c_str());
    const double shards = catalog(a + " --shard 1/2 --out " + r + "/s1", "s1.log") + catalog(a + " --shard 2/2 --out " + r + "/s2", "s2.log");
    const double merge = catalog("merge " + r + "/s1 " + r + "/s2 --out " + r + "/merged", "merge.log");
    const bool equal = folderFiles(root / "one") == folderFiles(root / "merged");
    std::printf("  two shards one after the other: %6.1f s, merge: %5.2f s; merged folder equals the one run's: %s\n", shards, merge,
                equal ? "yes" : "NO");
    std::printf("load average after: %s\n", pq::bench::loadAverage().c_str());
    fs::remove_all(root);
    return equal ? 0 : 1;
}
