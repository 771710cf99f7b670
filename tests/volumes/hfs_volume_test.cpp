#include "sources/memory_byte_source.h"
#include "test_support.h"
#include "volume_test_support.h"
#include "volumes/hfs_volume.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <set>

using namespace pq;

namespace {

// A file the test puts on a volume: its folder and name as hfsutils takes them (Mac OS Roman
// bytes), the path the volume should list (UTF-8), its Finder information and the sizes of
// its forks, whose bytes are random with a seed of the entry's own.
struct Entry {
    std::string folder, macName, path, type, creator;
    std::uint16_t flags = 0;
    std::size_t dataSize = 0, resourceSize = 0;

    std::vector<std::uint8_t> bytes(ForkKind kind) const
    {
        const auto seed = std::uint32_t(std::hash<std::string>{}(path)) + std::uint32_t(kind);
        return test::randomBytes(kind == ForkKind::Data ? dataSize : resourceSize, seed);
    }
};

std::vector<Entry> catalogEntries()
{
    std::vector<Entry> entries{
        {":", "Read Me", "Read Me", "TEXT", "ttxt", 0, 2000, 0},
        {":", "Caf\x8E \xA9 \xC4", "Caf\xC3\xA9 \xC2\xA9 \xC6\x92", "APPL", "PQTS", 0x2000, 3000, 1500},
        {":Sub:", "A/B", "Sub/A:B", "rsrc", "RSED", 0, 0, 700},
        {":Sub:Deeper:", "Icons \xC4", "Sub/Deeper/Icons \xC6\x92", "ICN#", "PQTS", 0x0400, 20000, 9000},
        {":Sub:Deeper:", "Empty", "Sub/Deeper/Empty", "????", "????", 0, 0, 0},
    };
    // Enough files for a catalog B-tree of more than one level.
    for (int i = 1; i <= 300; ++i) {
        const std::string name = "File " + std::to_string(1000 + i).substr(1);
        entries.push_back({":Many:", name, "Many/" + name, "TEXT", "ttxt", 0, std::size_t(i * 37 % 1500),
                           std::size_t(i % 3 == 0 ? 100 : 0)});
    }
    return entries;
}

// The large file copied into the holes of a volume filled with small files.
const Entry kScattered{":", "Scattered", "Scattered", "PICT", "ttxt", 0, 150000, 60000};

void writeList(const std::string& dir, const std::string& list, const std::vector<Entry>& entries)
{
    std::ofstream out(dir + "/" + list, std::ios::binary);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        out << e.folder << '\t' << e.macName << '\t' << e.type << '\t' << e.creator << '\t' << e.flags;
        for (const ForkKind kind : {ForkKind::Data, ForkKind::Resource}) {
            const std::string path = dir + "/" + list + std::to_string(i) + "." + std::to_string(int(kind));
            const auto bytes = e.bytes(kind);
            std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
            out << '\t' << path;
        }
        out << '\n';
    }
}

std::map<std::string, test::ExpectedFile> expectedFiles(const std::vector<Entry>& entries)
{
    std::map<std::string, test::ExpectedFile> files;
    for (const Entry& e : entries)
        files[e.path] = {e.type, e.creator, e.flags, e.bytes(ForkKind::Data), e.bytes(ForkKind::Resource)};
    return files;
}

// The bytes of catalog.hfs or pieces.hfs, made once per run by hfsutils.
std::vector<std::uint8_t> volumeBytes(const std::string& name)
{
    static const std::string dir = [] {
        const std::string made = test::makeTempDir().toStdString();
        writeList(made, "catalog.list", catalogEntries());
        writeList(made, "pieces.list", {kScattered});
        const std::string command = std::string(PQ_MAKE_VOLUMES) + " " + made;
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return made;
    }();
    const QByteArray bytes = test::readWholeFile(QString::fromStdString(dir + "/" + name));
    return {bytes.begin(), bytes.end()};
}

std::uint32_t be16At(const std::vector<std::uint8_t>& b, std::size_t at) { return std::uint32_t(b[at] << 8 | b[at + 1]); }

// Links the catalog's first leaf to itself, or to a node past the tree (nodes of 512 bytes,
// the first leaf in the catalog's first extent).
void linkFirstLeaf(std::vector<std::uint8_t>& image, bool toItself)
{
    const std::size_t blockSize = be16At(image, 1024 + 20) << 16 | be16At(image, 1024 + 22);
    const std::size_t tree = be16At(image, 1024 + 28) * 512 + be16At(image, 1024 + 150) * blockSize;
    const std::uint32_t first = be16At(image, tree + 14 + 12); // the header record's first leaf, low half
    const std::uint32_t link = toItself ? first : 0xFFFF;
    image[tree + first * 512 + 2] = std::uint8_t(link >> 8);
    image[tree + first * 512 + 3] = std::uint8_t(link);
}

// Points the first data extent of the file named "Café © ƒ" past the volume's end.
void moveExtentOutside(std::vector<std::uint8_t>& image)
{
    const std::vector<std::uint8_t> key{8, 'C', 'a', 'f', 0x8E, ' ', 0xA9, ' ', 0xC4};
    for (auto at = std::ranges::search(image, key).begin(); at != image.end();
         at = std::search(at + 1, image.end(), key.begin(), key.end())) {
        const std::size_t keyStart = std::size_t(at - image.begin()) - 6;
        const std::size_t data = keyStart + ((image[keyStart] + 2) & ~1u);
        if (image[data] == 2) { // a file record, not an index key
            image[data + 74] = image[data + 75] = 0xFF;
            return;
        }
    }
    FAIL() << "no catalog record";
}

} // namespace

class HfsCatalog : public ::testing::TestWithParam<test::CatalogCase> {};

TEST_P(HfsCatalog, ListsWhatCanBeReadAndReportsTheRest)
{
    auto image = volumeBytes("catalog.hfs");
    GetParam().damage(image);
    const auto volume = readHfsVolume(memorySource(image));
    ASSERT_TRUE(volume);
    EXPECT_EQ(volume->name(), "Catalog");
    test::expectVolume(*volume, GetParam(), expectedFiles(catalogEntries()));
    const std::set<std::string> folders{"", "Many", "Sub", "Sub/Deeper"};
    for (const VolumeFolder& folder : volume->folders())
        EXPECT_TRUE(folders.contains(folder.path)) << folder.path;
    EXPECT_EQ(volume->folders().size() == folders.size(), GetParam().allListed);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HfsCatalog,
    ::testing::Values(
        test::CatalogCase{"Intact", [](auto&) {}, std::nullopt, {}, true},
        test::CatalogCase{"LeafLinkLoops", [](auto& image) { linkFirstLeaf(image, true); },
                    VolumeDamage::Kind::NodeRevisited, VolumeDamage::Place::CatalogTree, false},
        test::CatalogCase{"LeafLinkPastTheTree", [](auto& image) { linkFirstLeaf(image, false); },
                    VolumeDamage::Kind::NodeOutsideTree, VolumeDamage::Place::CatalogTree, false},
        test::CatalogCase{"ExtentPastTheVolume", moveExtentOutside, VolumeDamage::Kind::ExtentOutsideVolume,
                    VolumeDamage::Place::File, true}),
    [](const auto& info) { return std::string(info.param.what); });

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
