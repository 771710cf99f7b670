// Resolving the Finder's icon of every file and folder of a volume of a few hundred files:
// applications with bundles and their documents, files with custom icons, folders with an
// "Icon\r" file, a Desktop file's bundles and files with no icon. The volume is laid out in
// memory, each resource fork padded with a code resource as real ones are.
//
//   finder_icon_bench [applications]   (default 20; about 25 files per application)

#include "bench_timer.h"
#include "finder/finder_icon.h"
#include "resource_fork_writer.h"
#include "sources/memory_byte_source.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using pq::sample::ForkResource;

constexpr std::int16_t kCustomIconId = -16455;

// The six members of an icon family at `id`.
void addFamily(std::vector<ForkResource>& resources, std::int16_t id)
{
    for (const auto& [type, length] : {std::pair{"ICN#", 256}, {"icl4", 512}, {"icl8", 1024}, {"ics#", 64}, {"ics4", 128}, {"ics8", 256}})
        resources.push_back({type, id, "", std::vector<std::uint8_t>(std::size_t(length), std::uint8_t(id))});
}

// A bundle for `signature` giving its applications and two document types their icons.
void addBundle(std::vector<ForkResource>& resources, std::int16_t base, const std::string& signature)
{
    resources.push_back(pq::sample::bundleResource(base, signature, {{0, base}, {1, base + 1}, {2, base + 2}},
                                                   {{0, base}, {1, base + 1}, {2, base + 2}}));
    for (const auto& [local, type] : {std::pair{0, "APPL"}, {1, "DOC1"}, {2, "DOC2"}}) {
        resources.push_back(pq::sample::fileReferenceResource(std::int16_t(base + local), type, local));
        addFamily(resources, std::int16_t(base + local));
    }
}

struct VolumeMaker {
    std::vector<std::uint8_t> bytes;
    std::vector<pq::VolumeFolder> folders;
    std::vector<pq::VolumeFile> files;

    void add(std::uint32_t parent, std::string name, std::string type, std::string creator, std::uint16_t flags,
             std::vector<ForkResource> resources)
    {
        pq::VolumeFile file{std::uint32_t(100 + files.size()), parent, std::move(name), {}, std::move(type), std::move(creator), flags, {}, {}};
        if (!resources.empty()) {
            resources.push_back({"CODE", 1, "", std::vector<std::uint8_t>(64 << 10, 0x4E)});
            const auto fork = pq::sample::writeResourceFork(resources).bytes;
            file.resource = {std::int64_t(fork.size()), {{std::int64_t(bytes.size()), std::int64_t(fork.size())}}, std::nullopt};
            bytes.insert(bytes.end(), fork.begin(), fork.end());
        }
        files.push_back(std::move(file));
    }
};

std::string signature(int k) { return "S" + std::to_string(100 + k); }

} // namespace

int main(int argc, char** argv)
{
    const int applications = argc > 1 ? std::atoi(argv[1]) : 20;
    VolumeMaker v;
    std::vector<ForkResource> desktop;
    for (int k = 0; k < applications; ++k) {
        std::vector<ForkResource> app;
        addBundle(app, 128, signature(k));
        v.add(pq::kRootFolderId, "App " + std::to_string(k), "APPL", signature(k), pq::kFinderHasBundle, app);
        addBundle(desktop, std::int16_t(1000 + 3 * k), signature(applications + k)); // applications gone from the volume
        for (int d = 0; d < 12; ++d)
            v.add(pq::kRootFolderId, "Doc " + std::to_string(k) + "." + std::to_string(d), d % 2 ? "DOC1" : "DOC2",
                  signature(k + (d % 3 == 0 ? applications : 0)), 0, {});
        std::vector<ForkResource> custom;
        addFamily(custom, kCustomIconId);
        v.add(pq::kRootFolderId, "Custom " + std::to_string(k), "TEXT", "ttxt", pq::kFinderHasCustomIcon, custom);
        const auto folder = std::uint32_t(10000 + k);
        v.folders.push_back({folder, pq::kRootFolderId, "Folder " + std::to_string(k), {}, pq::kFinderHasCustomIcon});
        v.add(folder, "Icon\r", "????", "????", 0, custom);
        for (int n = 0; n < 10; ++n)
            v.add(folder, "Note " + std::to_string(n), "TEXT", "ttxt", 0, {});
    }
    v.add(pq::kRootFolderId, "Desktop", "FNDR", "ERIK", 0, desktop);
    std::vector<pq::VolumeDamage> damage;
    pq::assignPaths(v.folders, v.files, damage);
    const pq::Volume volume(pq::memorySource(v.bytes), pq::VolumeFormat::Hfs, "Bench", v.folders, v.files, damage);

    const double build = pq::bench::bestMillisecondsPerCall([&] { (void)pq::FinderIconResolver(volume); }, 1);
    const pq::FinderIconResolver resolver(volume);
    int found = 0;
    const double all = pq::bench::bestMillisecondsPerCall(
        [&] {
            found = 0;
            for (const pq::VolumeFile& file : volume.files())
                found += resolver.icon(file).has_value();
            for (const pq::VolumeFolder& folder : volume.folders())
                found += resolver.icon(folder).has_value();
        },
        1);
    std::printf("%zu files, %zu folders, %.1f MiB of forks: %d icons\n", volume.files().size(), volume.folders().size(),
                double(v.bytes.size()) / (1 << 20), found);
    std::printf("resolver built in %.2f ms; every file and folder resolved in %.2f ms\n", build, all);
    return 0;
}
