// One input of a catalog, scanned by scanCatalogInput on one thread, best of seven warm runs,
// against the catalog's goal of 1,000 floppies in 30 s on two cores (30 ms a floppy a core):
// the bundled sample's 1.44 MB floppy image (icons of every format among filler, two resource
// forks, an icon-family container), a 1.44 MB image crowded with 400 planted 1-bit icons with
// masks (each icon decoded, drawn and identified), and a 1 MB HFS volume made by hfsutils
// holding 40 applications, each with a family of six icons in its resource fork.
//
//   catalog_scan_bench

#include "bench_machine.h"
#include "bench_timer.h"
#include "catalog/catalog_scan.h"
#include "finder/structured_icon.h"
#include "icon_hunt_image.h"
#include "resource_fork_writer.h"
#include "sample_image.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kApplications = 40;

// The processor time this process has used, every thread counted.
double cpuMilliseconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// catalog.hfs in `folder`: applications whose forks each hold ICN#, icl4, icl8, ics#, ics4
// and ics8 with ID 128, of pixels of their own.
bool writeVolume(const std::filesystem::path& folder)
{
    std::mt19937 random(11);
    std::ofstream list(folder / "catalog.list", std::ios::binary);
    for (int i = 0; i < kApplications; ++i) {
        std::vector<pq::sample::ForkResource> family;
        for (const char* type : {"ICN#", "icl4", "icl8", "ics#", "ics4", "ics8"}) {
            std::vector<std::uint8_t> pixels(std::size_t(pq::iconTypeFormat(type)->dataLength));
            std::ranges::generate(pixels, [&] { return std::uint8_t(random()); });
            family.push_back({type, 128, "", pixels});
        }
        const auto fork = folder / ("app" + std::to_string(i) + ".rsrc");
        writeFile(fork, pq::sample::writeResourceFork(family).bytes);
        list << ":Applications:\tApplication " << i << "\tAPPL\tA" << 100 + i << "\t0\t/dev/null\t" << fork.string() << '\n';
    }
    list.close();
    const std::string command = "PQ_CATALOG_MB=1 " + std::string(PQ_MAKE_VOLUMES) + " " + folder.string();
    return std::system(command.c_str()) == 0;
}

// Prints the scan's best wall time and mean processor time; false when it found no icon.
bool measure(const char* what, const std::filesystem::path& path, std::size_t planted)
{
    pq::ScannedInput scanned;
    constexpr int kRounds = 7;
    const double cpuBefore = cpuMilliseconds();
    const double ms = pq::bench::bestMillisecondsPerCall([&] { scanned = pq::scanCatalogInput(path.string(), "x.img", {}); }, 1, kRounds);
    const double cpu = (cpuMilliseconds() - cpuBefore) / kRounds;
    std::printf("  %s, %jd bytes: %zu icons (%zu planted), %zu errors:  %6.1f ms wall (best), %6.1f ms CPU (mean)   goal < 30 ms  %s\n",
                what, std::intmax_t(scanned.bytes), scanned.icons.size(), planted, scanned.errors.size(), ms, cpu,
                std::min(ms, cpu) < 30 ? "met" : "MISSED");
    return !scanned.icons.empty();
}

} // namespace

int main()
{
    std::printf("machine: %u cores (nproc), %s; load average %s\n", std::thread::hardware_concurrency(),
                pq::bench::cpuName().c_str(), pq::bench::loadAverage().c_str());
    const auto folder = std::filesystem::temp_directory_path() / ("pq_catalog_scan_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const struct Removal {
        std::filesystem::path folder;
        ~Removal() { std::filesystem::remove_all(folder); }
    } removal{folder};

    bool found = true;
    for (const auto& [what, image] : {std::pair<const char*, pq::sample::SampleImage>{"sample floppy", pq::sample::makeSampleDiskImage()},
                                      {"crowded floppy", pq::sample::makeIconHuntImage(1474560, 400, 5)}}) {
        writeFile(folder / "floppy.img", image.bytes);
        found = measure(what, folder / "floppy.img", pq::sample::allIcons(image).size()) && found;
    }
    if (!writeVolume(folder))
        return 1;
    found = measure("HFS volume", folder / "catalog.hfs", 6 * kApplications) && found;
    std::printf("load average after: %s\n", pq::bench::loadAverage().c_str());
    return found ? 0 : 1;
}
