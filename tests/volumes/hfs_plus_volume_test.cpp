#include "hfs_plus_test_writer.h"
#include "sources/byte_order.h"
#include "sources/memory_byte_source.h"
#include "test_support.h"
#include "volumes/hfs_plus_volume.h"

#include <gtest/gtest.h>

#include <fstream>
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
        // A folder has no type; forks are random bytes with a seed of the item's own.
        auto add = [&](int parent, std::u16string name, std::string path, std::string type, std::string creator,
                       std::uint16_t flags, std::size_t dataSize = 0, std::size_t resourceSize = 0) {
            const auto seed = std::uint32_t(2 * v.items.size());
            v.items.push_back({parent, std::move(name), type.empty(),
                               {type, creator, flags, test::randomBytes(dataSize, seed), test::randomBytes(resourceSize, seed + 1)}});
            v.paths.push_back(std::move(path));
            return int(v.items.size() - 1);
        };
        const int sub = add(-1, u"Sub", "Sub", "", "", 0x4000);
        const int deeper = add(sub, u"Deeper", "Sub/Deeper", "", "", 0);
        const int many = add(-1, u"Many", "Many", "", "", 0);
        add(-1, u"Read Me", "Read Me", "TEXT", "ttxt", 0, 2000, 0);
        add(-1, u"Cafe\u0301 \u00A9", "Cafe\u0301 \u00A9", "APPL", "PQTS", 0x2000, 3000, 1500);
        add(sub, u"A/B", "Sub/A:B", "rsrc", "RSED", 0, 0, 700);
        add(deeper, u"\u6F22\u5B57 \u03B1\u03B2", "Sub/Deeper/\u6F22\u5B57 \u03B1\u03B2", "ICN#", "PQTS", 0x0400, 20000, 9000);
        add(deeper, u"Smile \U0001F600", "Sub/Deeper/Smile \U0001F600", "????", "????", 0);
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

// The test volume, its catalog scattered too so that it continues in the overflow tree.
std::vector<std::uint8_t> image(bool wrapped = false)
{
    return test::writeHfsPlusImage(testVolume().items, {u"Plus \u03A9", testVolume().scattered, true, wrapped});
}

// The files (or the folders' Finder flags) by path.
std::map<std::string, test::ExpectedFile> expected(bool folders)
{
    std::map<std::string, test::ExpectedFile> found;
    if (folders)
        found[""] = {};
    for (std::size_t i = 0; i < testVolume().items.size(); ++i)
        if (testVolume().items[i].folder == folders)
            found[testVolume().paths[i]] = testVolume().items[i].file;
    return found;
}

std::uint32_t be32At(const std::vector<std::uint8_t>& b, std::size_t at) { return be32(b.data() + at); }

std::vector<std::uint8_t> withBe32(std::vector<std::uint8_t> b, std::size_t at, std::uint32_t value)
{
    test::put(b, at, value, 4);
    return b;
}

// Links the catalog's first leaf to itself, or to a node past the tree. Nodes are as large as
// blocks; the first leaf lies in one of the catalog's first eight extents (volume header).
void linkFirstLeaf(std::vector<std::uint8_t>& image, bool toItself)
{
    const std::size_t blockSize = be32At(image, 1024 + 40);
    auto offsetOf = [&](std::uint32_t node) {
        std::size_t extent = 1024 + 272 + 16;
        for (; node >= be32At(image, extent + 4); extent += 8)
            node -= be32At(image, extent + 4);
        return (be32At(image, extent) + node) * blockSize;
    };
    const std::uint32_t first = be32At(image, offsetOf(0) + 14 + 10);
    image = withBe32(image, offsetOf(first), toItself ? first : 0xFFFF);
}

// Where the data of the catalog record of the file named "Read Me" begins.
std::size_t readMeRecord(const std::vector<std::uint8_t>& image)
{
    const std::vector<std::uint8_t> name{0, 7, 0, 'R', 0, 'e', 0, 'a', 0, 'd', 0, ' ', 0, 'M', 0, 'e'};
    const auto data = std::size_t(std::ranges::search(image, name).end() - image.begin());
    EXPECT_EQ(image.at(data + 1), 2); // a file record
    return data;
}

// What Debian's hfsplus tools show of a name: its ASCII characters only.
std::string asciiOnly(const std::u16string& name)
{
    std::string out;
    for (const char16_t c : name)
        if (c < 0x80)
            out.push_back(char(c));
    return out;
}

// A MacBinary II file's Finder information and forks.
test::ExpectedFile readMacBinary(const QByteArray& bytes)
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

} // namespace

class HfsPlusCatalog : public ::testing::TestWithParam<test::CatalogCase> {};

TEST_P(HfsPlusCatalog, ListsWhatCanBeReadAndReportsTheRest)
{
    auto bytes = image();
    GetParam().damage(bytes);
    const auto volume = readHfsPlusVolume(memorySource(bytes));
    ASSERT_TRUE(volume);
    EXPECT_EQ(std::tuple(volume->name(), volume->format()), std::tuple("Plus \u03A9", VolumeFormat::HfsPlus));
    test::expectVolume(*volume, GetParam(), expected(false));
    std::map<std::string, std::uint16_t> folders, listed; // path → Finder flags; all in the first leaf
    for (const auto& [path, folder] : expected(true))
        folders[path] = folder.finderFlags;
    for (const VolumeFolder& folder : volume->folders())
        listed[folder.path] = folder.finderFlags;
    EXPECT_EQ(listed, folders);
    EXPECT_GT(volume->file("Scattered")->data.extents.size(), 8u); // continued in the extents-overflow tree
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HfsPlusCatalog,
    ::testing::Values(test::CatalogCase{"Intact", [](auto&) {}, std::nullopt, {}, true},
                      test::CatalogCase{"LeafLinkLoops", [](auto& image) { linkFirstLeaf(image, true); },
                                        VolumeDamage::Kind::NodeRevisited, VolumeDamage::Place::CatalogTree, false},
                      test::CatalogCase{"LeafLinkPastTheTree", [](auto& image) { linkFirstLeaf(image, false); },
                                        VolumeDamage::Kind::NodeOutsideTree, VolumeDamage::Place::CatalogTree, false},
                      test::CatalogCase{"ExtentPastTheVolume",
                                        [](auto& image) { image = withBe32(image, readMeRecord(image) + 88 + 16, 0xFFFFFF00); },
                                        VolumeDamage::Kind::ExtentOutsideVolume, VolumeDamage::Place::File, true},
                      // "Read Me" given the ID of "Café ©", listed before it.
                      test::CatalogCase{"FileIdRepeated", [](auto& image) { image = withBe32(image, readMeRecord(image) + 8, 16 + 4); },
                                        VolumeDamage::Kind::BadRecord, VolumeDamage::Place::CatalogTree, false}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(HfsPlusVolume, IndependentReaderSeesWhatWentIn)
{
    if (std::system("command -v hpmount > /dev/null") != 0)
        GTEST_SKIP() << "Debian's hfsplus tools are not installed";
    const std::string dir = test::makeTempDir().toStdString();
    const auto bytes = image();
    std::ofstream(dir + "/plus.img", std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    // Each folder is listed, and its files whose names the tools can give copied out as
    // MacBinary, after changing into it from the root.
    for (const auto& [folder, cd] : {std::pair{-1, "true"}, {0, "hpcd Sub"}, {1, "hpcd Sub; hpcd Deeper"}, {2, "hpcd Many"}}) {
        SCOPED_TRACE(cd);
        const std::string out = dir + "/" + std::to_string(folder + 1);
        std::string copy = "true";
        std::map<std::string, const HfsPlusItem*> items; // by the name the tools show, "/" after a folder's
        for (const HfsPlusItem& item : testVolume().items) {
            const std::string name = asciiOnly(item.name);
            if (item.parent == folder)
                items.emplace(name + (item.folder ? "/" : ""), &item);
            if (item.parent == folder && !item.folder && name.size() == item.name.size() && name.find('/') == std::string::npos)
                copy += (copy == "true" ? "; hpcopy -m '" : " '") + name + "'";
        }
        const std::string command = "cd '" + dir + "' && export HOME='" + dir + "' && mkdir '" + out
            + "' && hpmount -r plus.img > /dev/null && { " + cd + "; hpls -la > '" + out + "/list'; cd '" + out + "'; "
            + copy + (copy == "true" ? "" : " .") + "; hpumount > /dev/null; }";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;

        // "f  TXET/txtt  2000  0 Jan  1  1904 Read Me" (type and creator shown with their bytes
        // reversed on this byte order), "d  300 items  Jan  1  1904 Many", the folder's thread.
        const std::regex fileLine(R"(^f\S*\s+(....)/(....)\s+(\d+)\s+(\d+) \w{3} .{9}(.*)$)");
        const std::regex folderLine(R"(^d\S*\s+\d+ items?\s+\w{3} .{9}(.*)$)");
        std::ifstream list(out + "/list");
        std::size_t listed = 0;
        for (std::string line; std::getline(list, line);) {
            std::smatch m;
            if (std::regex_match(line, m, folderLine)) {
                ++listed;
                EXPECT_TRUE(items.contains(m[1].str() + "/")) << line;
            }
            if (!std::regex_match(line, m, fileLine))
                continue;
            ++listed;
            ASSERT_TRUE(items.contains(m[5].str())) << line;
            const HfsPlusItem& item = *items.at(m[5].str());
            std::string type = m[1].str(), creator = m[2].str();
            std::ranges::reverse(type);
            std::ranges::reverse(creator);
            EXPECT_EQ(std::tuple(type, creator, std::stoul(m[3].str()), std::stoul(m[4].str())),
                      std::tuple(item.file.type, item.file.creator, item.file.data.size(), item.file.resource.size()));
            if (copy.find("'" + m[5].str() + "'") != std::string::npos) {
                EXPECT_TRUE(readMacBinary(test::readWholeFile(QString::fromStdString(out + "/" + m[5].str() + ".bin"))) == item.file);
            }
        }
        EXPECT_EQ(listed, items.size());
    }
}

TEST(HfsPlusVolume, WrapperNamesTheEmbeddedVolume)
{
    const auto wrapped = image(true);
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
        std::optional<std::int64_t> offset;
    } rows[] = {
        {"wrapped", wrapped, std::int64_t(test::kHfsPlusWrapperPrefix)},
        {"bare", image(), std::nullopt},
        {"plain HFS", withBe32(wrapped, 1024 + 124, 0), std::nullopt},
        {"embedded past the end", withBe32(wrapped, 1024 + 126, 0x0001FFFF), std::nullopt},
        {"no block size", withBe32(wrapped, 1024 + 20, 0), std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const auto source = memorySource(row.bytes);
        const auto embedded = embeddedHfsPlusVolume(*source);
        ASSERT_EQ(embedded ? std::optional(embedded->offset) : std::nullopt, row.offset);
        EXPECT_TRUE(!embedded || embedded->length == std::int64_t(image().size()));
    }
}

TEST(HfsPlusVolume, RefusesWhatHoldsNoReadableVolume)
{
    const auto bare = image();
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
        std::optional<VolumeError> error;
    } rows[] = {
        {"HFSX", withBe32(bare, 1024, 0x48580005), std::nullopt},
        {"random", test::randomBytes(8192, 3), VolumeError::NotAVolume},
        {"H+ of version 5", withBe32(bare, 1024, 0x482B0005), VolumeError::NotAVolume},
        {"block size not a power of two", withBe32(bare, 1024 + 40, 1000), VolumeError::BadMasterBlock},
        {"catalog past the end", withBe32(bare, 1024 + 272 + 16, 0x00FFFFFF), VolumeError::BadTreeHeader},
    };
    for (const auto& row : rows) {
        const auto volume = readHfsPlusVolume(memorySource(row.bytes));
        EXPECT_EQ(volume ? std::nullopt : std::optional(volume.error()), row.error) << row.what;
    }
}
