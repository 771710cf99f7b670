// Listing a 650 MB HFS volume of 5,000 files made by hfsutils, and resolving every file's and
// folder's Finder icon: 50 applications whose bundles give icons to their documents, documents
// with custom icons, plain files in ten folders. Best of five warm runs, each against its goal.
//
//   volume_listing_bench [files]   (default 5000)

#include "bench_machine.h"
#include "bench_timer.h"
#include "finder/finder_icon.h"
#include "finder/structured_icon.h"
#include "resource_fork_writer.h"
#include "sources/file_byte_source.h"
#include "volumes/volume_locator.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using pq::sample::ForkResource;
constexpr int kApplications = 50;
constexpr int kFolders = 10;
constexpr std::int16_t kCustomIconId = -16455;

void append16(std::vector<std::uint8_t>& bytes, int value) { bytes.insert(bytes.end(), {std::uint8_t(value >> 8), std::uint8_t(value)}); }

ForkResource iconResource(const std::string& type, std::int16_t id)
{
    return {type, id, "", std::vector<std::uint8_t>(std::size_t(pq::iconTypeFormat(type)->dataLength), std::uint8_t(id))};
}

// An application's resource fork: its bundle (one icon family for the application, one for
// its documents of type `documentType`), the two file references and the families.
std::vector<std::uint8_t> applicationFork(const std::string& creator, const std::string& documentType)
{
    std::vector<std::uint8_t> bundle(creator.begin(), creator.end());
    append16(bundle, 0); // owner resource ID
    append16(bundle, 1); // two mapping types follow
    for (const char* mapping : {"ICN#", "FREF"}) {
        bundle.insert(bundle.end(), mapping, mapping + 4);
        append16(bundle, 1); // two mappings: local IDs 0 and 1 to resources 128 and 129
        for (int local = 0; local < 2; ++local) {
            append16(bundle, local);
            append16(bundle, 128 + local);
        }
    }
    std::vector<ForkResource> resources{{"BNDL", 128, "", bundle}};
    for (const auto& [id, type] : {std::pair<std::int16_t, std::string>{128, "APPL"}, {129, documentType}}) {
        std::vector<std::uint8_t> fref(type.begin(), type.end());
        append16(fref, id - 128);
        fref.push_back(0); // no file name
        resources.push_back({"FREF", id, "", fref});
        for (const char* member : {"ICN#", "icl4", "icl8", "ics#"})
            resources.push_back(iconResource(member, id));
    }
    return pq::sample::writeResourceFork(resources).bytes;
}

void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Writes catalog.list (and the fork files it names) for `count` files into `folder`.
void writeCatalogList(const std::filesystem::path& folder, int count)
{
    const std::string data = (folder / "data").string(), custom = (folder / "custom.rsrc").string();
    writeFile(data, std::vector<std::uint8_t>(3000, 'x'));
    writeFile(custom, pq::sample::writeResourceFork({iconResource("ICN#", kCustomIconId), iconResource("icl8", kCustomIconId)}).bytes);
    std::ofstream list(folder / "catalog.list", std::ios::binary);
    for (int i = 0; i < kApplications; ++i) {
        const std::string creator = "A" + std::to_string(100 + i), fork = (folder / (creator + ".rsrc")).string();
        writeFile(fork, applicationFork(creator, "D" + std::to_string(100 + i)));
        list << ":Applications:\tApplication " << i << "\tAPPL\t" << creator << '\t' << pq::kFinderHasBundle << '\t' << data
             << '\t' << fork << '\n';
    }
    const int documents = count - kApplications;
    for (int i = 0; i < documents; ++i) {
        const int app = i % kApplications;
        const bool hasCustomIcon = i % 10 == 0, isDocument = i % 10 < 5;
        list << ":Folder " << i * kFolders / documents << ":\tFile " << i << '\t'
             << (isDocument ? "D" + std::to_string(100 + app) : std::string("TEXT")) << '\t'
             << (isDocument ? "A" + std::to_string(100 + app) : std::string("ttxt")) << '\t'
             << (hasCustomIcon ? pq::kFinderHasCustomIcon : 0) << '\t' << data << '\t'
             << (hasCustomIcon ? custom : std::string("/dev/null")) << '\n';
    }
}

double seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

const char* verdict(bool met) { return met ? "met" : "MISSED"; }

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 5000;
    std::printf("machine: %u cores (nproc), %s; load average %s\n", std::thread::hardware_concurrency(),
                pq::bench::cpuName().c_str(), pq::bench::loadAverage().c_str());
    const auto folder = std::filesystem::temp_directory_path() / ("pq_volume_listing_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const struct Removal {
        std::filesystem::path folder;
        ~Removal() { std::filesystem::remove_all(folder); }
    } removal{folder};

    const auto makeStart = std::chrono::steady_clock::now();
    writeCatalogList(folder, count);
    const std::string command = "PQ_CATALOG_MB=650 " + std::string(PQ_MAKE_VOLUMES) + " " + folder.string();
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        return 1;
    }
    std::printf("volume of %d files made by hfsutils in %.1f s\n", count, seconds(std::chrono::steady_clock::now() - makeStart));

    const auto opened = pq::FileByteSource::open((folder / "catalog.hfs").string());
    if (!opened)
        return 1;
    const std::shared_ptr<const pq::ByteSource> bytes = *opened;
    std::size_t listed = 0;
    std::optional<pq::Volume> volume;
    const double listing = pq::bench::bestMillisecondsPerCall([&] {
        const auto locations = pq::locateVolumes(*bytes);
        auto read = locations.empty() ? std::nullopt : std::optional(pq::openVolumeAt(bytes, locations[0]));
        listed = read && *read ? (*read)->files().size() : 0;
        if (listed > 0)
            volume.emplace(std::move(**read));
    }, 1, 5);
    if (!volume)
        return 1;
    std::size_t resolved = 0;
    const double resolving = pq::bench::bestMillisecondsPerCall([&] {
        const pq::FinderIconResolver resolver(*volume);
        resolved = 0;
        for (const pq::VolumeFile& file : volume->files())
            resolved += resolver.icon(file).has_value();
        for (const pq::VolumeFolder& folder : volume->folders())
            resolved += resolver.icon(folder).has_value();
    }, 1, 5);

    std::printf("  listing (locate + open) of %zu files:  %8.1f ms   goal < 1000 ms  %s\n", listed, listing, verdict(listing < 1000));
    std::printf("  Finder icons of every file and folder (%zu resolved):  %8.1f ms   goal < 2000 ms  %s\n", resolved, resolving,
                verdict(resolving < 2000));
    std::printf("load average after: %s\n", pq::bench::loadAverage().c_str());
    return listed == std::size_t(count) ? 0 : 1;
}
