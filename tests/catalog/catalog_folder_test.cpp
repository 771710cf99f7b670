// The catalog folder: its JSON lines as another reader sees them, reading back, merging, and
// the icon catalog's PNGs and re-run seed.
#include "catalog/catalog_folder.h"
#include "catalog/icon_catalog.h"

#include "test_support.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <thread>

namespace pq {
namespace {

using nlohmann::json;

const std::string kIdA(64, 'a'), kIdB(64, 'b');

CatalogPlace storedPlace()
{
    return {"Archive/Disk.img.gz", "Disk.img.gz/Disk.img", "System Folder/Finder", "resource", "FNDR", "MACS", "icl8",
            -16455, "Café", 2, 128, 4242, std::nullopt};
}

CatalogPlace guessedPlace(std::string image, std::int64_t offset)
{
    CatalogPlace p;
    p.image = std::move(image);
    p.offset = offset;
    p.score = 0.91234;
    return p;
}

Catalog sampleCatalog()
{
    return {{{kIdB, 1, 16, true, iconPngPath(kIdB), {guessedPlace("b.img", 7)}},
             {kIdA, 8, 32, true, iconPngPath(kIdA), {storedPlace(), guessedPlace("a.img", 99)}}},
            {{"z.img", "", "The file cannot be read"}, {"a.img", "a.img/x", "Bad wrapper"}},
            {{"b.img", 10, 1765000000123456789, 0.9}, {"a.img", 20, 5, 0.5}}};
}

std::vector<json> fileLines(const std::string& path)
{
    std::vector<json> parsed;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        parsed.push_back(json::parse(line));
    return parsed;
}

TEST(CatalogFolder, WritesSortedLinesThatReadBackAsTheCatalog)
{
    const std::string folder = test::makeTempDir().toStdString();
    ASSERT_TRUE(writeCatalogFolder(folder, sampleCatalog()));
    const json stored = {{"image", "Archive/Disk.img.gz"}, {"part", "Disk.img.gz/Disk.img"}, {"file", "System Folder/Finder"},
                         {"fork", "resource"}, {"fileType", "FNDR"}, {"creator", "MACS"}, {"type", "icl8"}, {"id", -16455},
                         {"name", "Café"}, {"index", 2}, {"family", 128}, {"offset", 4242}};
    const auto guessed = [](const char* image, int offset) { return json{{"image", image}, {"offset", offset}, {"score", 0.912}}; };
    const std::vector<std::pair<const char*, std::vector<json>>> expected{
        {"icons.jsonl",
         {{{"id", kIdA}, {"depth", 8}, {"size", 32}, {"masked", true}, {"png", "icons/aa/" + kIdA + ".png"},
           {"places", {stored, guessed("a.img", 99)}}},
          {{"id", kIdB}, {"depth", 1}, {"size", 16}, {"masked", true}, {"png", "icons/bb/" + kIdB + ".png"},
           {"places", {guessed("b.img", 7)}}}}},
        {"errors.jsonl",
         {{{"image", "a.img"}, {"part", "a.img/x"}, {"reason", "Bad wrapper"}}, {{"image", "z.img"}, {"reason", "The file cannot be read"}}}},
        {"inputs.jsonl",
         {{{"path", "a.img"}, {"size", 20}, {"mtime", 5}, {"minScore", 0.5}},
          {{"path", "b.img"}, {"size", 10}, {"mtime", 1765000000123456789}, {"minScore", 0.9}}}}};
    for (const auto& [file, lines] : expected)
        EXPECT_EQ(fileLines(folder + "/" + file), lines) << file;
    // Keys in the records' order.
    EXPECT_TRUE(test::readWholeFile(QString::fromStdString(folder + "/inputs.jsonl")).startsWith(R"({"path":"a.img","size":20,)"));

    // Read back and written again: the same bytes.
    const auto read = readCatalogFolder(folder);
    ASSERT_TRUE(read);
    const std::string again = test::makeTempDir().toStdString();
    ASSERT_TRUE(writeCatalogFolder(again, *read));
    for (const auto& [file, lines] : expected)
        EXPECT_EQ(test::readWholeFile(QString::fromStdString(again + "/" + file)),
                  test::readWholeFile(QString::fromStdString(folder + "/" + file)));
}

TEST(CatalogFolder, ReadingNamesTheFileAndLineOfABadLine)
{
    const std::string empty = test::makeTempDir().toStdString();
    const auto none = readCatalogFolder(empty);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->icons.empty() && none->errors.empty() && none->inputs.empty());

    const std::string goodInput = R"({"path":"a","size":1,"mtime":2,"minScore":0.9})";
    const std::vector<std::pair<const char*, std::string>> bad{
        {"inputs.jsonl", goodInput + "\nnot json\n"},
        {"inputs.jsonl", goodInput + "\n[1,2]\n"},
        {"inputs.jsonl", goodInput + "\n" R"({"path":"a","size":"big","mtime":2,"minScore":0.9})" "\n"},
        {"errors.jsonl", R"({"image":"x","reason":"r"})" "\n" R"({"image":"x"})" "\n"},
        {"icons.jsonl", "\n" R"({"id":"../../etc","depth":1,"size":32,"masked":false,"png":"x","places":[]})" "\n"},
    };
    for (const auto& [file, text] : bad) {
        const std::string folder = test::makeTempDir().toStdString();
        std::ofstream(folder + "/" + file) << text;
        const auto read = readCatalogFolder(folder);
        ASSERT_FALSE(read) << text;
        EXPECT_EQ(read.error().path, folder + "/" + file);
        EXPECT_TRUE(read.error().reason.starts_with("line 2 ")) << read.error().reason;
    }
}

TEST(CatalogFolder, MergeUnitesThePlacesOfAnIconInBoth)
{
    const Catalog second{{{kIdA, 8, 32, true, iconPngPath(kIdA), {guessedPlace("c.img", 1), storedPlace()}}},
                         {{"c.img", "", "Damaged"}},
                         {{"c.img", 3, 4, 0.9}, {"a.img", 1, 1, 0.9}}};
    const Catalog merged = mergeCatalogs({sampleCatalog(), second});
    ASSERT_EQ(merged.icons.size(), 2u);
    EXPECT_EQ(merged.icons[0].places,
              (std::vector{storedPlace(), guessedPlace("a.img", 99), guessedPlace("c.img", 1)})); // sorted, each once
    EXPECT_EQ(merged.errors.size(), 3u);
    EXPECT_EQ(merged.inputs, (std::vector<CatalogInput>{{"a.img", 1, 1, 0.9}, {"b.img", 10, 1765000000123456789, 0.9}, {"c.img", 3, 4, 0.9}}));
}

ScannedIcon scannedIcon(const std::string& id, const std::string& image)
{
    QImage pixels(16, 16, QImage::Format_RGBA8888);
    pixels.fill(Qt::red);
    return {id, 8, 16, false, guessedPlace(image, 5), pixels};
}

TEST(IconCatalog, WritesEachNewIconOnceAndSeedsOnlyTheKeptInputs)
{
    const std::string folder = test::makeTempDir().toStdString();
    IconCatalog catalog(folder);
    catalog.seed(sampleCatalog(), {"a.img"});
    // Two threads bring the same new icon: its PNG is written once.
    std::vector<std::jthread> threads;
    for (const std::string image : {"x.img", "y.img"})
        threads.emplace_back([&, image] { EXPECT_TRUE(catalog.add({image, 1, 1, 0.9}, {{scannedIcon(kIdB, image)}, {}, 1})); });
    threads.clear();

    const Catalog made = catalog.catalog();
    ASSERT_EQ(made.icons.size(), 2u);
    EXPECT_EQ(made.icons[0].places, (std::vector{guessedPlace("a.img", 99)}));
    EXPECT_EQ(made.icons[1].places, (std::vector{guessedPlace("x.img", 5), guessedPlace("y.img", 5)}));
    EXPECT_EQ(made.errors, (std::vector<CatalogError>{{"a.img", "a.img/x", "Bad wrapper"}}));
    EXPECT_EQ(made.inputs.size(), 3u);
}

} // namespace
} // namespace pq
