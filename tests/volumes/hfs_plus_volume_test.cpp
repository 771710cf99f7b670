#include "hfs_plus_test_writer.h"
#include "sources/extent_byte_source.h"
#include "sources/memory_byte_source.h"
#include "test_support.h"
#include "volumes/hfs_plus_volume.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <regex>

using namespace pq;
using test::HfsPlusItem;

namespace {

// The test volume's items, the path each should be listed at (UTF-8) and the scattered file.
struct TestVolume {
    std::vector<HfsPlusItem> items;
    std::vector<std::string> paths;
    int scattered = -1;
};

const TestVolume& testVolume()
{
    static const TestVolume volume = [] {
        TestVolume v;
        auto add = [&](int parent, std::u16string name, std::string path, const char* type, const char* creator,
                       std::uint16_t flags, std::size_t dataSize, std::size_t resourceSize) {
            const auto seed = std::uint32_t(2 * v.items.size());
            v.items.push_back({parent, std::move(name), type == nullptr, type ? type : "", creator ? creator : "", flags,
                               test::randomBytes(dataSize, seed), test::randomBytes(resourceSize, seed + 1)});
            v.paths.push_back(std::move(path));
            return int(v.items.size() - 1);
        };
        const int sub = add(-1, u"Sub", "Sub", nullptr, nullptr, 0x4000, 0, 0);
        const int deeper = add(sub, u"Deeper", "Sub/Deeper", nullptr, nullptr, 0, 0, 0);
        const int many = add(-1, u"Many", "Many", nullptr, nullptr, 0, 0, 0);
        add(-1, u"Read Me", "Read Me", "TEXT", "ttxt", 0, 2000, 0);
        add(-1, u"Cafe\u0301 \u00A9", "Cafe\u0301 \u00A9", "APPL", "PQTS", 0x2000, 3000, 1500);
        add(sub, u"A/B", "Sub/A:B", "rsrc", "RSED", 0, 0, 700);
        add(deeper, u"\u6F22\u5B57 \u03B1\u03B2", "Sub/Deeper/\u6F22\u5B57 \u03B1\u03B2", "ICN#", "PQTS", 0x0400, 20000, 9000);
        add(deeper, u"Smile \U0001F600", "Sub/Deeper/Smile \U0001F600", "????", "????", 0, 0, 0);
        v.scattered = add(-1, u"Scattered", "Scattered", "PICT", "ttxt", 0, 150000, 60000);
        // Enough files for a catalog of many leaves under an index node.
        for (int i = 1; i <= 300; ++i) {
            const std::string name = "File " + std::to_string(1000 + i).substr(1);
            add(many, std::u16string(name.begin(), name.end()), "Many/" + name, "TEXT", "ttxt", 0,
                std::size_t(i * 37 % 1500), std::size_t(i % 3 == 0 ? 100 : 0));
        }
        return v;
    }();
    return volume;
}

std::vector<std::uint8_t> image(bool wrapped = false)
{
    return test::writeHfsPlusImage(testVolume().items, {u"Plus \u03A9", testVolume().scattered, wrapped});
}

std::uint32_t be32At(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return std::uint32_t(b[at]) << 24 | std::uint32_t(b[at + 1]) << 16 | std::uint32_t(b[at + 2]) << 8 | b[at + 3];
}

void putBe32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
        b[at + i] = std::uint8_t(value >> (24 - 8 * i));
}

// Where the catalog's node `node` begins: its first extent as the volume header says, nodes as
// large as blocks.
std::size_t catalogNode(const std::vector<std::uint8_t>& image, std::uint32_t node)
{
    const std::size_t blockSize = be32At(image, 1024 + 40);
    return (be32At(image, 1024 + 272 + 16) + std::size_t(node)) * blockSize;
}

// Links the catalog's first leaf to itself, or to a node past the tree.
void linkFirstLeaf(std::vector<std::uint8_t>& image, bool toItself)
{
    const std::uint32_t first = be32At(image, catalogNode(image, 0) + 14 + 10);
    putBe32(image, catalogNode(image, first), toItself ? first : 0xFFFF);
}

// Moves the data fork's first extent of the file named `name` (UTF-16BE) past the volume.
void moveExtentOutside(std::vector<std::uint8_t>& image)
{
    const std::vector<std::uint8_t> key{0, 7, 0, 'R', 0, 'e', 0, 'a', 0, 'd', 0, ' ', 0, 'M', 0, 'e'};
    const auto at = std::ranges::search(image, key).begin();
    ASSERT_NE(at, image.end());
    const auto data = std::size_t(at - image.begin()) + key.size();
    ASSERT_EQ(image[data + 1], 2); // a file record
    putBe32(image, data + 88 + 16, 0xFFFFFF00);
}

struct CatalogCase {
    const char* what;
    std::function<void(std::vector<std::uint8_t>&)> damage;
    std::optional<VolumeDamage::Kind> kind;
    VolumeDamage::Place place;
    bool allListed;
};

void PrintTo(const CatalogCase& row, std::ostream* out) { *out << row.what; }

} // namespace

class HfsPlusCatalog : public ::testing::TestWithParam<CatalogCase> {};

TEST_P(HfsPlusCatalog, ListsWhatCanBeReadAndReportsTheRest)
{
    auto bytes = image();
    GetParam().damage(bytes);
    const auto volume = readHfsPlusVolume(memorySource(bytes));
    ASSERT_TRUE(volume);
    EXPECT_EQ(volume->name(), "Plus \u03A9");
    EXPECT_EQ(volume->format(), VolumeFormat::HfsPlus);
    ASSERT_EQ(volume->damage().size(), GetParam().kind ? 1u : 0u);
    if (GetParam().kind) {
        EXPECT_EQ(std::tie(volume->damage()[0].kind, volume->damage()[0].place), std::tie(*GetParam().kind, GetParam().place));
    }

    std::map<std::string, const HfsPlusItem*> files, folders{{"", nullptr}};
    for (std::size_t i = 0; i < testVolume().items.size(); ++i)
        (testVolume().items[i].folder ? folders : files).emplace(testVolume().paths[i], &testVolume().items[i]);
    EXPECT_EQ(volume->files().size() == files.size(), GetParam().allListed);
    EXPECT_EQ(volume->folders().size(), folders.size()); // all in the first leaf
    EXPECT_FALSE(volume->files().empty());
    for (const VolumeFolder& folder : volume->folders()) {
        ASSERT_TRUE(folders.contains(folder.path)) << folder.path;
        EXPECT_EQ(folder.finderFlags, folders.at(folder.path) ? folders.at(folder.path)->finderFlags : 0);
    }
    for (const VolumeFile& file : volume->files()) {
        SCOPED_TRACE(file.path);
        ASSERT_TRUE(files.contains(file.path));
        const HfsPlusItem& item = *files.at(file.path);
        EXPECT_EQ(std::tie(file.type, file.creator, file.finderFlags), std::tie(item.type, item.creator, item.finderFlags));
        for (const auto& [kind, expected] : {std::pair{ForkKind::Data, &item.data}, {ForkKind::Resource, &item.resource}}) {
            EXPECT_EQ(file.fork(kind).logicalSize, std::int64_t(expected->size()));
            const auto fork = volume->fork(file, kind);
            const bool damaged = GetParam().place == VolumeDamage::Place::File && GetParam().kind
                && volume->damage()[0].where == file.id && kind == ForkKind::Data;
            ASSERT_EQ(fork.has_value(), !damaged);
            if (damaged)
                continue;
            std::vector<std::uint8_t> read(std::size_t((*fork)->size()));
            EXPECT_TRUE((*fork)->read(0, std::as_writable_bytes(std::span(read))));
            EXPECT_EQ(read, *expected);
        }
    }
    const VolumeFile* scattered = volume->file("Scattered");
    ASSERT_NE(scattered, nullptr);
    EXPECT_GT(scattered->data.extents.size(), 8u); // continued in the extents-overflow tree
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HfsPlusCatalog,
    ::testing::Values(CatalogCase{"Intact", [](auto&) {}, std::nullopt, {}, true},
                      CatalogCase{"LeafLinkLoops", [](auto& image) { linkFirstLeaf(image, true); },
                                  VolumeDamage::Kind::NodeRevisited, VolumeDamage::Place::CatalogTree, false},
                      CatalogCase{"LeafLinkPastTheTree", [](auto& image) { linkFirstLeaf(image, false); },
                                  VolumeDamage::Kind::NodeOutsideTree, VolumeDamage::Place::CatalogTree, false},
                      CatalogCase{"ExtentPastTheVolume", moveExtentOutside, VolumeDamage::Kind::ExtentOutsideVolume,
                                  VolumeDamage::Place::File, true}),
    [](const auto& info) { return std::string(info.param.what); });

// What Debian's hfsplus tools show of a name: its ASCII characters only.
std::string asciiOnly(const std::u16string& name)
{
    std::string out;
    for (const char16_t c : name)
        if (c < 0x80)
            out.push_back(char(c));
    return out;
}

// A file as a MacBinary II copy holds it: type, creator, Finder flags and both forks.
struct MacBinary {
    std::string type, creator;
    std::uint16_t flags = 0;
    std::vector<std::uint8_t> data, resource;
};

MacBinary readMacBinary(const QByteArray& bytes)
{
    auto u8 = [&](int at) { return std::uint8_t(bytes.at(at)); };
    auto length = [&](int at) { return int(u8(at) << 24 | u8(at + 1) << 16 | u8(at + 2) << 8 | u8(at + 3)); };
    const int dataLength = length(83), resourceLength = length(87);
    const int resourceAt = 128 + (dataLength + 127) / 128 * 128;
    if (bytes.size() < resourceAt + resourceLength)
        return {};
    auto part = [&](int at, int size) { return std::vector<std::uint8_t>(bytes.begin() + at, bytes.begin() + at + size); };
    return {bytes.mid(65, 4).toStdString(), bytes.mid(69, 4).toStdString(), std::uint16_t(u8(73) << 8 | u8(101)),
            part(128, dataLength), part(resourceAt, resourceLength)};
}

TEST(HfsPlusVolume, IndependentReaderSeesWhatWentIn)
{
    if (std::system("command -v hpmount > /dev/null") != 0)
        GTEST_SKIP() << "Debian's hfsplus tools are not installed";
    const std::string dir = test::makeTempDir().toStdString();
    const auto bytes = image();
    std::ofstream(dir + "/plus.img", std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    const TestVolume& volume = testVolume();
    // Each folder is listed and its files copied out after changing into it from the root.
    const std::vector<std::pair<int, std::string>> folders{{-1, "true"}, {0, "hpcd Sub"}, {1, "hpcd Sub; hpcd Deeper"}, {2, "hpcd Many"}};
    for (const auto& [folder, cd] : folders) {
        SCOPED_TRACE(cd);
        const std::string out = dir + "/" + std::to_string(folder + 1);
        std::string copy = "true";
        std::map<std::string, const HfsPlusItem*> expected; // by the name the tools show, "/" for a folder
        for (const HfsPlusItem& item : volume.items) {
            if (item.parent != folder)
                continue;
            const std::string name = asciiOnly(item.name);
            expected.emplace(name + (item.folder ? "/" : ""), &item);
            if (!item.folder && name.size() == item.name.size() && name.find('/') == std::string::npos)
                copy += (copy == "true" ? "; hpcopy -m '" : " '") + name + "'";
        }
        const std::string command = "cd '" + dir + "' && export HOME='" + dir + "' && mkdir '" + out + "' && hpmount -r plus.img > /dev/null && { "
            + cd + "; hpls -la > '" + out + "/list'; cd '" + out + "'; " + copy + (copy == "true" ? "" : " .") + "; hpumount > /dev/null; }";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;

        // "f  TXET/txtt  2000  0 Jan  1  1904 Read Me": the tools show type and creator with their
        // bytes reversed on this byte order; "d  300 items  Jan  1  1904 Many".
        const std::regex file(R"(^f\S*\s+(....)/(....)\s+(\d+)\s+(\d+) \w{3} .{9}(.*)$)");
        const std::regex folderLine(R"(^d\S*\s+(\d+) items\s+\w{3} .{9}(.*)$)");
        std::ifstream list(out + "/list");
        std::size_t listed = 0;
        for (std::string line; std::getline(list, line);) {
            std::smatch m;
            if (std::regex_match(line, m, folderLine)) {
                ++listed;
                EXPECT_TRUE(expected.contains(m[2].str() + "/")) << line;
                continue;
            }
            if (!std::regex_match(line, m, file))
                continue; // the folder's thread
            ++listed;
            ASSERT_TRUE(expected.contains(m[5].str())) << line;
            const HfsPlusItem& item = *expected.at(m[5].str());
            std::string type = m[1].str(), creator = m[2].str();
            std::ranges::reverse(type);
            std::ranges::reverse(creator);
            EXPECT_EQ(std::tie(type, creator), std::tie(item.type, item.creator)) << line;
            EXPECT_EQ(std::stoul(m[3].str()), item.data.size()) << line;
            EXPECT_EQ(std::stoul(m[4].str()), item.resource.size()) << line;
            if (asciiOnly(item.name).size() != item.name.size() || m[5].str().find('/') != std::string::npos)
                continue;
            const MacBinary copied = readMacBinary(test::readWholeFile(QString::fromStdString(out + "/" + m[5].str() + ".bin")));
            EXPECT_EQ(std::tie(copied.type, copied.creator, copied.flags), std::tie(item.type, item.creator, item.finderFlags));
            EXPECT_TRUE(copied.data == item.data && copied.resource == item.resource) << line;
        }
        EXPECT_EQ(listed, expected.size());
    }
}

TEST(HfsPlusVolume, WrapperNamesTheEmbeddedVolume)
{
    const auto wrapped = image(true);
    const auto embeddedSize = std::int64_t(image().size());
    auto changed = [&](std::size_t at, std::uint32_t value) {
        auto bytes = wrapped;
        putBe32(bytes, at, value);
        return bytes;
    };
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
        std::optional<Extent> embedded;
    } rows[] = {
        {"wrapped", wrapped, Extent{std::int64_t(test::kHfsPlusWrapperPrefix), embeddedSize}},
        {"bare", image(), std::nullopt},
        {"plain HFS", changed(1024 + 124, 0), std::nullopt},
        {"embedded past the end", changed(1024 + 126, 0x0001FFFF), std::nullopt},
        {"no block size", changed(1024 + 20, 0), std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const auto source = memorySource(row.bytes);
        const auto embedded = embeddedHfsPlusVolume(*source);
        ASSERT_EQ(embedded.has_value(), row.embedded.has_value());
        if (!embedded)
            continue;
        EXPECT_EQ(std::tie(embedded->offset, embedded->length), std::tie(row.embedded->offset, row.embedded->length));
        const auto volume = readHfsPlusVolume(*ExtentByteSource::create(source, {*embedded}));
        ASSERT_TRUE(volume);
        EXPECT_EQ(std::ptrdiff_t(volume->files().size()), std::ranges::count(testVolume().items, false, &HfsPlusItem::folder));
        EXPECT_TRUE(volume->damage().empty());
    }
}

TEST(HfsPlusVolume, RefusesWhatHoldsNoReadableVolume)
{
    const auto bare = image();
    auto changed = [&](std::size_t at, std::uint32_t value) {
        auto bytes = bare;
        putBe32(bytes, at, value);
        return bytes;
    };
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
        std::optional<VolumeError> error;
    } rows[] = {
        {"HFSX", changed(1024, 0x48580005), std::nullopt},
        {"random", test::randomBytes(8192, 3), VolumeError::NotAVolume},
        {"H+ of version 5", changed(1024, 0x482B0005), VolumeError::NotAVolume},
        {"block size not a power of two", changed(1024 + 40, 1000), VolumeError::BadMasterBlock},
        {"catalog past the end", changed(1024 + 272 + 16, 0x00FFFFFF), VolumeError::BadTreeHeader},
    };
    for (const auto& row : rows) {
        const auto volume = readHfsPlusVolume(memorySource(row.bytes));
        EXPECT_EQ(volume ? std::nullopt : std::optional(volume.error()), row.error) << row.what;
    }
}
