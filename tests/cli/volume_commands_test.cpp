// pixelquarry-cli on hfsutils-made volumes: `files` lists what went in, `scan` places each
// icon of a file both within its fork and in the image, `--part` opens a file's fork.
#include "hfsutils_volumes.h"
#include "resource_fork_writer.h"

#include "cli_test_support.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>


namespace pq {
namespace {

using test::jsonLines;
using test::lines;
using test::runCli;

// A resource fork whose icons lie far apart: a small one first, 33,000 bytes of other data,
// then the ICN# (the file's custom icon) and an ics#.
const sample::ResourceForkImage& iconFork()
{
    static const auto fork = sample::writeResourceFork({{"ics#", 200, "Small", test::randomBytes(64, 12)},
                                                        {"DATA", 128, "", test::randomBytes(33000, 13)},
                                                        {"ICN#", -16455, "Custom", test::randomBytes(256, 11)},
                                                        {"ics#", -16455, "", test::randomBytes(64, 14)}});
    return fork;
}

std::vector<test::HfsutilsFile> catalogEntries()
{
    return {{":", "Read Me", "TEXT", "ttxt", 0, test::randomBytes(2000, 1), {}},
            {":Sub:", "Iconic", "rsrc", "RSED", 0x0400, {}, iconFork().bytes},
            {":Sub:Deeper:", "Big", "BINA", "PQTS", 0, test::randomBytes(1500000, 2), test::randomBytes(100, 3)}};
}

// catalog.hfs (catalogEntries) and pieces.hfs ("Scattered", the icon fork laid into the holes
// of a volume filled with small files), made once per run.
std::string volumePath(const std::string& name)
{
    static const std::string dir = test::makeHfsVolumes(catalogEntries(), {{":", "Scattered", "rsrc", "RSED", 0, {}, iconFork().bytes}});
    return dir + "/" + name;
}

TEST(CliFiles, ListsEveryFileWithItsFinderInformationAndIcons)
{
    const auto row = [](const char* path, const char* type, const char* creator, std::size_t dataSize,
                        std::size_t resourceSize, nlohmann::json finderIcon, int icons) {
        return nlohmann::json{{"path", path},         {"type", type},             {"creator", creator}, {"dataSize", dataSize},
                              {"resourceSize", resourceSize}, {"finderIcon", finderIcon}, {"icons", icons}};
    };
    // In the catalog's order: by folder, then by name.
    EXPECT_EQ(jsonLines({"files", volumePath("catalog.hfs"), "--json"}),
              (std::vector{row("Read Me", "TEXT", "ttxt", 2000, 0, nullptr, 0),
                           row("Sub/Iconic", "rsrc", "RSED", 0, iconFork().bytes.size(), {{"type", "ICN#"}, {"id", -16455}}, 3),
                           row("Sub/Deeper/Big", "BINA", "PQTS", 1500000, 100, nullptr, 0)}));
    // Plain text: the same files, the path last.
    EXPECT_TRUE(lines(runCli({"files", volumePath("catalog.hfs")}).out).at(1).ends_with("3  ICN# -16455  Sub/Iconic"));

    // Cut short inside "Big": its fork is damaged, told once; the others are listed.
    const QByteArray image = test::readWholeFile(QString::fromStdString(volumePath("catalog.hfs")));
    const std::string cut = test::writeTempFile({image.begin(), image.begin() + (1 << 20)}, "cut.hfs");
    const auto result = runCli({"files", cut, "--json"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(lines(result.out).size(), 3u);
    ASSERT_EQ(lines(result.err).size(), 1u) << result.err;
    EXPECT_NE(result.err.find("Volume \"Catalog\" is damaged: File "), std::string::npos) << result.err;
}

TEST(CliScan, IconsInAScatteredForkGiveTheirOffsetInTheForkAndInTheImage)
{
    const std::string image = volumePath("pieces.hfs");
    std::vector<nlohmann::json> inFile;
    for (const auto& line : jsonLines({"scan", image, "--json", "--min-score", "1"}))
        if (line.contains("file"))
            inFile.push_back(line);
    ASSERT_EQ(inFile.size(), 3u);
    const QByteArray bytes = test::readWholeFile(QString::fromStdString(image));
    const std::vector<std::size_t> resourceIndex{0, 3, 2}; // the icons among the resources, in map order
    for (std::size_t i = 0; i < inFile.size(); ++i) {
        const auto& line = inFile[i];
        EXPECT_EQ(std::tie(line["file"], line["fork"]), std::tie("Scattered", "resource"));
        EXPECT_EQ(line["offset"], iconFork().dataOffsets[resourceIndex[i]]);
        const std::int64_t at = line["volumeOffset"];
        const auto length = line["size"] == 32 ? 256 : 64;
        EXPECT_EQ(bytes.mid(at, length), QByteArray::fromRawData(reinterpret_cast<const char*>(iconFork().bytes.data()) +
                                                                     std::int64_t(line["offset"]), length));
    }
    // Far apart in the fork, the icons lie in different pieces of it.
    EXPECT_NE(inFile[1]["volumeOffset"].get<std::int64_t>() - inFile[0]["volumeOffset"].get<std::int64_t>(),
              inFile[1]["offset"].get<std::int64_t>() - inFile[0]["offset"].get<std::int64_t>());

    // The fork opened by its path: its own bytes.
    const auto info = runCli({"info", image, "--part", "pieces.hfs/Scattered:resource"});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_EQ(nlohmann::json::parse(info.out)["sha256"], test::sha256Of(iconFork().bytes));
}

} // namespace
} // namespace pq
