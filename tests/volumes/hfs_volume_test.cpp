// HFS volumes made by hfsutils read as they went in. The damage the catalog walk and the
// extent follower report is proved once, on HFS+ images, whose reader shares them.
#include "hfsutils_volumes.h"
#include "sources/memory_byte_source.h"
#include "test_support.h"
#include "volume_test_support.h"
#include "volumes/hfs_volume.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace pq;

namespace {

// A file put on a volume, with the path the volume should list (UTF-8); its forks are random
// bytes with a seed of the entry's own.
struct Entry {
    test::HfsutilsFile file;
    std::string path;
};

Entry entry(std::string folder, std::string macName, std::string path, std::string type, std::string creator,
            int flags, std::size_t dataSize, std::size_t resourceSize)
{
    const auto seed = std::uint32_t(std::hash<std::string>{}(path));
    return {{std::move(folder), std::move(macName), std::move(type), std::move(creator), flags,
             test::randomBytes(dataSize, seed), test::randomBytes(resourceSize, seed + 1)},
            std::move(path)};
}

std::vector<Entry> catalogEntries()
{
    std::vector<Entry> entries{
        entry(":", "Read Me", "Read Me", "TEXT", "ttxt", 0, 2000, 0),
        entry(":", "Caf\x8E \xA9 \xC4", "Caf\xC3\xA9 \xC2\xA9 \xC6\x92", "APPL", "PQTS", 0x2000, 3000, 1500),
        entry(":Sub:", "A/B", "Sub/A:B", "rsrc", "RSED", 0, 0, 700),
        entry(":Sub:Deeper:", "Icons \xC4", "Sub/Deeper/Icons \xC6\x92", "ICN#", "PQTS", 0x0400, 20000, 9000),
        entry(":Sub:Deeper:", "Empty", "Sub/Deeper/Empty", "????", "????", 0, 0, 0),
    };
    // Enough files for a catalog B-tree of more than one level.
    for (int i = 1; i <= 300; ++i) {
        const std::string name = "File " + std::to_string(1000 + i).substr(1);
        entries.push_back(entry(":Many:", name, "Many/" + name, "TEXT", "ttxt", 0, std::size_t(i * 37 % 1500),
                                std::size_t(i % 3 == 0 ? 100 : 0)));
    }
    return entries;
}

// The large file copied into the holes of a volume filled with small files.
const Entry kScattered = entry(":", "Scattered", "Scattered", "PICT", "ttxt", 0, 150000, 60000);

std::map<std::string, test::ExpectedFile> expectedFiles(const std::vector<Entry>& entries)
{
    std::map<std::string, test::ExpectedFile> files;
    for (const Entry& e : entries)
        files[e.path] = {e.file.type, e.file.creator, std::uint16_t(e.file.flags), e.file.data, e.file.resource};
    return files;
}

// The bytes of catalog.hfs or pieces.hfs, made once per run by hfsutils.
std::vector<std::uint8_t> volumeBytes(const std::string& name)
{
    static const std::string dir = [] {
        std::vector<test::HfsutilsFile> files;
        for (const Entry& e : catalogEntries())
            files.push_back(e.file);
        return test::makeHfsVolumes(files, {kScattered.file});
    }();
    const QByteArray bytes = test::readWholeFile(QString::fromStdString(dir + "/" + name));
    return {bytes.begin(), bytes.end()};
}

} // namespace

TEST(HfsVolume, ListsEveryFileAndFolderAsTheyWentIn)
{
    const auto volume = readHfsVolume(memorySource(volumeBytes("catalog.hfs")));
    ASSERT_TRUE(volume);
    EXPECT_EQ(volume->name(), "Catalog");
    test::expectVolume(*volume, {"intact", {}, {}, {}, true}, expectedFiles(catalogEntries()));
    std::set<std::string> folders;
    for (const VolumeFolder& folder : volume->folders())
        folders.insert(folder.path);
    EXPECT_EQ(folders, (std::set<std::string>{"", "Many", "Sub", "Sub/Deeper"}));
}

TEST(HfsVolume, ForkScatteredOverManyExtentsReadsWhole)
{
    const auto volume = readHfsVolume(memorySource(volumeBytes("pieces.hfs")));
    ASSERT_TRUE(volume);
    const auto file = std::ranges::find(volume->files(), kScattered.path, &VolumeFile::path);
    ASSERT_NE(file, volume->files().end());
    EXPECT_GT(file->data.extents.size(), 3u); // continued in the extents-overflow tree
    EXPECT_GT(file->resource.extents.size(), 3u);
    test::expectFile(*volume, *file, expectedFiles({kScattered}).at(kScattered.path));
}
