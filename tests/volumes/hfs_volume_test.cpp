#include "sources/file_byte_source.h"
#include "sources/memory_byte_source.h"
#include "test_support.h"
#include "volumes/hfs_volume.h"

#include <gtest/gtest.h>

#include <QFile>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>

using namespace pq;

namespace {

// A file the test puts on a volume: where and under which name (Mac OS Roman bytes, as
// hfsutils takes them), the path the volume should list (UTF-8), its Finder information and
// the sizes of its forks, whose bytes are random with a seed of the entry's own.
struct Entry {
    std::string folder;
    std::string macName;
    std::string path;
    std::string type;
    std::string creator;
    std::uint16_t flags = 0;
    std::size_t dataSize = 0;
    std::size_t resourceSize = 0;
};

std::vector<std::uint8_t> forkBytes(const Entry& entry, HfsForkKind kind)
{
    const auto seed = std::uint32_t(std::hash<std::string>{}(entry.path)) + std::uint32_t(kind);
    return test::randomBytes(kind == HfsForkKind::Data ? entry.dataSize : entry.resourceSize, seed);
}

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

void writeList(const QString& dir, const std::string& list, const std::vector<Entry>& entries)
{
    std::ofstream out((dir + "/" + QString::fromStdString(list)).toStdString(), std::ios::binary);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        std::string forks[2];
        for (const HfsForkKind kind : {HfsForkKind::Data, HfsForkKind::Resource}) {
            const std::string path = dir.toStdString() + "/" + list + std::to_string(i) + (kind == HfsForkKind::Data ? ".data" : ".rsrc");
            const auto bytes = forkBytes(e, kind);
            std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
            forks[kind == HfsForkKind::Data ? 0 : 1] = path;
        }
        out << e.folder << '\t' << e.macName << '\t' << e.type << '\t' << e.creator << '\t' << e.flags << '\t'
            << forks[0] << '\t' << forks[1] << '\n';
    }
}

// The folder holding catalog.hfs and pieces.hfs, made once per run.
const std::string& volumeFolder()
{
    static const std::string made = [] {
        const QString dir = test::makeTempDir();
        writeList(dir, "catalog.list", catalogEntries());
        writeList(dir, "pieces.list", {kScattered});
        const std::string command = std::string(PQ_MAKE_VOLUMES) + " " + dir.toStdString();
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return dir.toStdString();
    }();
    return made;
}

std::vector<std::uint8_t> volumeBytes(const std::string& name)
{
    const QByteArray bytes = test::readWholeFile(QString::fromStdString(volumeFolder() + "/" + name));
    return {bytes.begin(), bytes.end()};
}

std::vector<std::uint8_t> readAll(const ByteSource& source)
{
    std::vector<std::uint8_t> bytes(std::size_t(source.size()));
    EXPECT_TRUE(source.read(0, std::as_writable_bytes(std::span(bytes))));
    return bytes;
}

// Checks a listed file against what went in, forks byte for byte unless `skipForks`.
void expectFile(const HfsVolume& volume, const HfsFile& file, const Entry& entry, bool skipForks = false)
{
    SCOPED_TRACE(entry.path);
    EXPECT_EQ(file.path, entry.path);
    EXPECT_EQ(file.type, entry.type);
    EXPECT_EQ(file.creator, entry.creator);
    EXPECT_EQ(file.finderFlags, entry.flags);
    EXPECT_EQ(file.data.logicalSize, std::int64_t(entry.dataSize));
    EXPECT_EQ(file.resource.logicalSize, std::int64_t(entry.resourceSize));
    if (skipForks)
        return;
    for (const HfsForkKind kind : {HfsForkKind::Data, HfsForkKind::Resource}) {
        const auto fork = volume.fork(file, kind);
        ASSERT_TRUE(fork);
        EXPECT_EQ(readAll(**fork), forkBytes(entry, kind));
    }
}

std::map<std::string, Entry> byPath(const std::vector<Entry>& entries)
{
    std::map<std::string, Entry> map;
    for (const Entry& e : entries)
        map.emplace(e.path, e);
    return map;
}

} // namespace

TEST(HfsVolume, ListsEveryFileWithItsFinderInformationAndForks)
{
    const auto volume = HfsVolume::open(memorySource(volumeBytes("catalog.hfs")));
    ASSERT_TRUE(volume);
    EXPECT_EQ(volume->name(), "Catalog");
    EXPECT_TRUE(volume->damage().empty());
    const auto expected = byPath(catalogEntries());
    ASSERT_EQ(volume->files().size(), expected.size());
    for (const HfsFile& file : volume->files()) {
        ASSERT_TRUE(expected.contains(file.path)) << file.path;
        expectFile(*volume, file, expected.at(file.path));
    }
    std::vector<std::string> folders;
    for (const HfsFolder& folder : volume->folders())
        folders.push_back(folder.path);
    std::ranges::sort(folders);
    EXPECT_EQ(folders, (std::vector<std::string>{"", "Many", "Sub", "Sub/Deeper"}));
}

TEST(HfsVolume, ForkScatteredOverManyExtentsReadsWhole)
{
    const auto source = FileByteSource::open(volumeFolder() + "/pieces.hfs");
    ASSERT_TRUE(source);
    const auto volume = HfsVolume::open(*source);
    ASSERT_TRUE(volume);
    const auto file = std::ranges::find(volume->files(), kScattered.path, &HfsFile::path);
    ASSERT_NE(file, volume->files().end());
    EXPECT_GT(file->data.extents.size(), 3u); // continued in the extents-overflow tree
    EXPECT_GT(file->resource.extents.size(), 3u);
    expectFile(*volume, *file, kScattered);
}

namespace {

std::uint16_t be16At(const std::vector<std::uint8_t>& b, std::size_t at) { return std::uint16_t(b[at] << 8 | b[at + 1]); }

// Where catalog node `index` begins in the image (the catalog's first extent).
std::size_t catalogNode(const std::vector<std::uint8_t>& image, std::size_t index)
{
    const std::size_t blockSize = std::size_t(be16At(image, 1024 + 20)) << 16 | be16At(image, 1024 + 22);
    return be16At(image, 1024 + 28) * 512 + be16At(image, 1024 + 150) * blockSize + index * 512;
}

std::size_t firstLeaf(const std::vector<std::uint8_t>& image)
{
    return be16At(image, catalogNode(image, 0) + 14 + 12); // low half of the header's first leaf
}

void setForwardLink(std::vector<std::uint8_t>& image, std::uint16_t link)
{
    const std::size_t node = catalogNode(image, firstLeaf(image));
    image[node + 2] = std::uint8_t(link >> 8);
    image[node + 3] = std::uint8_t(link);
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

struct DamageCase {
    const char* what;
    std::function<void(std::vector<std::uint8_t>&)> damage;
    VolumeDamage::Kind kind;
    VolumeDamage::Place place;
    bool allListed;
};

void PrintTo(const DamageCase& row, std::ostream* out) { *out << row.what; }

} // namespace

class HfsDamage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(HfsDamage, ListsWhatCanBeReadAndReportsTheRest)
{
    auto image = volumeBytes("catalog.hfs");
    GetParam().damage(image);
    const auto volume = HfsVolume::open(memorySource(image));
    ASSERT_TRUE(volume);
    ASSERT_EQ(volume->damage().size(), 1u);
    EXPECT_EQ(volume->damage()[0].kind, GetParam().kind);
    EXPECT_EQ(volume->damage()[0].place, GetParam().place);

    const auto expected = byPath(catalogEntries());
    EXPECT_EQ(volume->files().size() == expected.size(), GetParam().allListed);
    EXPECT_FALSE(volume->files().empty());
    for (const HfsFile& file : volume->files()) {
        ASSERT_TRUE(expected.contains(file.path)) << file.path;
        const bool damaged = volume->damage()[0].place == VolumeDamage::Place::File && volume->damage()[0].where == file.id;
        expectFile(*volume, file, expected.at(file.path), damaged);
        if (damaged) {
            EXPECT_EQ(volume->fork(file, HfsForkKind::Data).error(), VolumeError::ForkDamaged);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HfsDamage,
    ::testing::Values(
        DamageCase{"LeafLinkLoops", [](auto& image) { setForwardLink(image, std::uint16_t(firstLeaf(image))); },
                   VolumeDamage::Kind::NodeRevisited, VolumeDamage::Place::CatalogTree, false},
        DamageCase{"LeafLinkPastTheTree", [](auto& image) { setForwardLink(image, 0xFFFF); },
                   VolumeDamage::Kind::NodeOutsideTree, VolumeDamage::Place::CatalogTree, false},
        DamageCase{"ExtentPastTheVolume", moveExtentOutside, VolumeDamage::Kind::ExtentOutsideVolume,
                   VolumeDamage::Place::File, true}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(HfsVolume, FoundBareOrAfterADiskCopyHeaderOnly)
{
    const auto bare = volumeBytes("pieces.hfs");
    std::vector<std::uint8_t> diskCopy(84, 0);
    diskCopy[0] = 5;
    diskCopy[82] = 0x01;
    diskCopy.insert(diskCopy.end(), bare.begin(), bare.end());
    std::vector<std::uint8_t> shifted(512, 0);
    shifted.insert(shifted.end(), bare.begin(), bare.end());

    const struct {
        std::vector<std::uint8_t> bytes;
        std::optional<std::int64_t> start;
    } rows[] = {{bare, 0}, {diskCopy, 84}, {shifted, std::nullopt}, {test::randomBytes(4096, 7), std::nullopt}};
    for (const auto& row : rows) {
        EXPECT_EQ(findHfsVolume(*memorySource(row.bytes)), row.start);
        EXPECT_EQ(HfsVolume::open(memorySource(row.bytes)).has_value(), row.start == 0);
    }
}
