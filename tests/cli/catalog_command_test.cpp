// pixelquarry-cli catalog on a small archive: the sample disk image as it is, gzipped, zipped,
// its icon fork as a file's in an HFS volume, and a damaged gzip; shards merged; re-runs.
#include "resource_fork_writer.h"
#include "sample_image.h"

#include "cli_test_support.h"

#include <QDir>
#include <QImageReader>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

namespace pq {
namespace {

using test::runCli;

std::vector<std::uint8_t> floppyFamily()
{
    const auto canvas = sample::drawIcon("floppy", 32, 1);
    auto icon = canvas.pixelPlane(1);
    std::ranges::copy(canvas.maskPlane(1), std::back_inserter(icon));
    return sample::writeResourceFork({{"ICN#", 128, "Floppy", icon}}).bytes;
}

// archive/: Disk.img, Disk.img.gz, Disk.zip, Broken.gz, Volume.hfs ("Apps:Painter" with the
// floppy's ICN# 128 in its resource fork; the sample image holds the same floppy).
std::string archive()
{
    static const std::string dir = [] {
        const std::string root = test::makeTempDir().toStdString(), made = root + "/archive";
        std::filesystem::create_directory(made);
        std::filesystem::copy_file(PQ_SAMPLE_IMAGE, made + "/Disk.img");
        std::ofstream(root + "/catalog.list") << ":Apps:\tPainter\tAPPL\tPQPT\t0\t/dev/null\t" << test::writeTempFile(floppyFamily()) << '\n';
        const std::string command = "cd " + root + " && PQ_CATALOG_MB=1 bash " PQ_MAKE_VOLUMES " . && mv catalog.hfs archive/Volume.hfs"
                                    " && cd archive && gzip -k Disk.img && zip -q Disk.zip Disk.img && head -c 3000 Disk.img.gz >Broken.gz";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return made;
    }();
    return dir;
}

std::vector<nlohmann::json> jsonLinesOf(const std::string& path)
{
    std::vector<nlohmann::json> parsed;
    for (const std::string& line : test::lines(test::readWholeFile(QString::fromStdString(path)).toStdString()))
        parsed.push_back(nlohmann::json::parse(line));
    return parsed;
}

// Runs `catalog` with `args` and returns its summary, the last line on stderr.
std::string catalogRun(const test::Args& args)
{
    test::Args all{"catalog"};
    all.insert(all.end(), args.begin(), args.end());
    const auto result = runCli(all);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const auto lines = test::lines(result.err);
    return lines.empty() ? std::string() : lines.back();
}

TEST(CliCatalog, CountsEachIconOnceWithAllItsPlacesAndReadsOnlyNewInputsAgain)
{
    // The catalog folder inside the archive is not an input.
    const std::string root = test::makeTempDir().toStdString(), a = root + "/", out = root + "/catalog";
    std::filesystem::copy(archive(), root);
    EXPECT_TRUE(catalogRun({root, "--out", out}).starts_with("Catalogued 5 files (0 skipped, unchanged): "));

    // The floppy: once, found in the image's bytes through every wrapper and in the volume's file.
    std::map<std::string, std::set<std::string>> floppyPlaces;
    std::set<std::string> ids;
    for (const auto& icon : jsonLinesOf(out + "/icons.jsonl")) {
        EXPECT_TRUE(ids.insert(icon["id"]).second);
        const QImage png = QImageReader(QString::fromStdString(out + "/" + std::string(icon["png"]))).read();
        EXPECT_EQ(png.size(), QSize(icon["size"], icon["size"]));
        for (const auto& place : icon["places"])
            if (place.value("file", "") == "Apps/Painter")
                for (const auto& each : icon["places"])
                    floppyPlaces[each["image"]].insert(each.value("type", "guess"));
    }
    EXPECT_EQ(floppyPlaces, (std::map<std::string, std::set<std::string>>{{a + "Disk.img", {"ICN#", "guess"}},
                                                                          {a + "Disk.img.gz", {"ICN#", "guess"}},
                                                                          {a + "Disk.zip", {"ICN#", "guess"}},
                                                                          {a + "Volume.hfs", {"ICN#"}}}));
    const auto errors = jsonLinesOf(out + "/errors.jsonl");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0]["image"], a + "Broken.gz");

    // Again: every input unchanged; then one more, read alone, its icons' places added.
    EXPECT_TRUE(catalogRun({root, "--out", out}).starts_with("Catalogued 5 files (5 skipped, unchanged): "));
    std::filesystem::copy_file(a + "Disk.img", a + "Copy.img");
    EXPECT_TRUE(catalogRun({root, "--out", out}).starts_with("Catalogued 6 files (5 skipped, unchanged): "));
    std::map<std::string, std::set<std::string>> idsByImage;
    for (const auto& icon : jsonLinesOf(out + "/icons.jsonl"))
        for (const auto& place : icon["places"])
            idsByImage[place["image"]].insert(icon["id"]);
    EXPECT_EQ(idsByImage[a + "Copy.img"], idsByImage[a + "Disk.img"]);
    EXPECT_EQ(idsByImage[a + "Disk.img.gz"], idsByImage[a + "Disk.img"]);
    EXPECT_EQ(QDir(QString::fromStdString(out)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 5); // no temporary left
}

TEST(CliCatalog, ShardsMergedGiveTheSameFolderAsOneRun)
{
    const std::string one = test::makeTempDir().toStdString(), merged = test::makeTempDir().toStdString();
    catalogRun({archive(), "--out", one, "--jobs", "1"});
    std::vector<std::string> shards;
    for (const char* shard : {"1/2", "2/2"}) {
        shards.push_back(test::makeTempDir().toStdString());
        catalogRun({archive(), "--out", shards.back(), "--shard", shard});
    }
    catalogRun({"merge", shards[0], shards[1], "--out", merged});
    const auto files = [](const std::string& folder) {
        std::map<std::string, QByteArray> contents;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
            if (entry.is_regular_file())
                contents[std::filesystem::relative(entry.path(), folder)] = test::readWholeFile(QString::fromStdString(entry.path()));
        return contents;
    };
    const auto expected = files(one);
    EXPECT_GT(expected.size(), 5u);
    EXPECT_EQ(files(merged), expected);
}

} // namespace
} // namespace pq
