// pixelquarry-cli's info, render, export and scan, run as a program: each reaches its layer and
// prints in its documented form; failures exit 1 with one line on stderr, usage errors exit 2.
#include "document/bookmark_store.h"

#include "cli_test_support.h"
#include "resource_fork_writer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <regex>
#include <span>

namespace pq {
namespace {

using test::Args;
using test::lines;
using test::runCli;

TEST(CliInfo, PrintsSizeDigestAndTheBrowsersTileCountsAsJson)
{
    const auto bytes = test::randomBytes(5000, 5);
    const std::string path = test::writeTempFile(bytes);
    const auto result = runCli({"info", path});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    // A tile for every row r with r x row length + chunk length < 5,000.
    const nlohmann::json expected = {{"path", path}, {"size", 5000}, {"sha256", test::sha256Of(bytes)},
                                     {"tileCount", {{"1x32", 1218}, {"4x32", 281}, {"8x32", 125},
                                                    {"1x16", 2484}, {"4x16", 609}, {"8x16", 297}}}};
    EXPECT_EQ(nlohmann::json::parse(result.out), expected);
    // No tiles where the browser cannot show the file.
    EXPECT_EQ(nlohmann::json::parse(runCli({"info", test::writeTempFile({})}).out)["tileCount"]["1x16"], 0);
}

TEST(CliRender, WritesTheChosenIconInTheFormatOfTheExtension)
{
    // Black 1-bit rows, then white rows and an empty mask; long enough for 8-bit 16x16 icons.
    std::vector<std::uint8_t> bytes(8448, 0);
    std::fill_n(bytes.begin(), 128, 0xFF);
    const std::string data = test::writeTempFile(bytes);
    const QString dir = test::makeTempDir();
    const struct {
        const char* file;
        Args args;
        QByteArray format;
        int edge;
        QRgb centre; // 0: transparent; at offset 0, a 1-bit icon would be black
    } cases[] = {
        {"a.bmp", {"--offset", "0x80", "--depth", "1", "--size", "16", "--zoom", "5", "--ruler"}, "bmp", 85, qRgb(255, 255, 255)},
        {"b.tiff", {"--offset", "0", "--depth", "8", "--size", "16"}, "tiff", 16, qRgb(255, 255, 255)},
        {"c.png", {"--offset", "0", "--depth", "1", "--size", "32", "--mask", "--zoom", "8", "--ruler"}, "png", 264, 0},
    };
    for (const auto& c : cases) {
        const QString out = dir + QLatin1Char('/') + QLatin1String(c.file);
        Args args{"render", data, "--out", out.toStdString()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const auto result = runCli(args);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        QImageReader reader(out);
        EXPECT_EQ(reader.format(), c.format) << c.file;
        const QImage image = reader.read().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(c.edge, c.edge)) << c.file;
        const QRgb centre = image.pixel(c.edge / 2, c.edge / 2);
        EXPECT_EQ(qAlpha(centre) == 0 ? 0u : centre, c.centre) << c.file;
    }
}

// The stored bookmarks reach the export runner with the chosen kinds, scene format and zoom;
// each written file is named on stdout.
TEST(CliExport, WritesTheStoredBookmarksInTheChosenKinds)
{
    const auto bytes = test::randomBytes(20000, 3);
    const BookmarkStore store;
    ASSERT_TRUE(store.ensureFolder());
    const std::string digest = test::sha256Of(bytes);
    ASSERT_TRUE(store.save({"Stored", digest, {{64, "a/b", 4, 64, false}, {0, "..", 1, 32, true}}}, store.pathFor(digest)));
    const QString out = test::makeTempDir();
    const std::string to = out.toStdString();
    const auto result = runCli({"export", test::writeTempFile(bytes), "--to", to, "--kinds", "3d,text", "--scene-format",
                                "usdz", "--text-zoom", "2"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(lines(result.out), (Args{to + "/a_b.txt", to + "/a_b.usdz", to + "/__.txt", to + "/__.usdz"}));
    EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden).size(), 4);
    EXPECT_EQ(lines(test::readWholeFile(out + "/__.txt").toStdString()).size(), 64u);
}

Args scan(Args options)
{
    options.insert(options.begin(), {"scan", PQ_SAMPLE_IMAGE});
    const auto result = runCli(options);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return lines(result.out);
}

// The sample's ten stored icons come first, then the scanner's candidates.
TEST(CliScan, PrintsStoredIconsThenScoredCandidatesAsJsonOrText)
{
    const auto json = scan({"--json", "--limit", "11"});
    const auto text = scan({"--limit", "11"});
    ASSERT_EQ(json.size(), 11u);
    ASSERT_EQ(text.size(), 11u);
    const auto stored = nlohmann::json::parse(json[0]);
    const std::int64_t offset = stored["offset"];
    EXPECT_EQ(stored, (nlohmann::json{{"offset", offset}, {"depth", 1}, {"size", 32}, {"mask", true}, {"score", 1.0},
                                      {"source", "resource"}, {"type", "ICN#"}, {"id", 128}, {"name", "Disk"}, {"family", 128}}));
    // Each colour icon names its family's mask (where it lies is the finder's to prove): icl4,
    // icl8, ics4, ics8 of the fork and the container's icl8.
    EXPECT_EQ(std::ranges::count_if(json, [](const std::string& l) { return nlohmann::json::parse(l).contains("maskOffset"); }), 5);
    EXPECT_EQ(text[0], "offset " + std::to_string(offset) + " (0x" + QString::number(offset, 16).toStdString() +
                           ")  1-bit 32x32 with mask  resource at 768000: ICN# ID 128 \"Disk\"");
    const auto candidate = nlohmann::json::parse(json[10]);
    EXPECT_EQ(candidate.size(), 5u) << json[10];
    std::smatch match;
    ASSERT_TRUE(std::regex_match(text[10], match, std::regex(R"(offset (\d+) \(0x[0-9a-f]+\)  1-bit (16x16|32x32) with mask  score (1\.000|0\.\d{3}))")))
        << text[10];
    EXPECT_EQ(std::stoll(match[1]), candidate["offset"].get<std::int64_t>());

    // Found in a part, each line names it.
    const std::string gz = test::makeTempDir().toStdString() + "/sample.gz";
    ASSERT_EQ(std::system(("gzip -c '" PQ_SAMPLE_IMAGE "' > '" + gz + "'").c_str()), 0);
    const auto inPart = runCli({"scan", gz, "--json", "--limit", "1"});
    auto expected = stored;
    expected["part"] = "sample.gz/sample-disk.img";
    EXPECT_EQ(nlohmann::json::parse(inPart.out), expected) << inPart.err;
}

TEST(CliScan, MinScoreAndLimitNarrowTheList)
{
    const auto all = scan({"--json", "--min-score", "0"});
    const auto byDefault = scan({"--json"});
    ASSERT_LT(byDefault.size(), all.size()); // the default 0.5 leaves the filler out
    EXPECT_EQ(byDefault, Args(all.begin(), all.begin() + std::ptrdiff_t(byDefault.size())));
    EXPECT_EQ(scan({"--json", "--limit", "2", "--min-score", "0"}), Args(all.begin(), all.begin() + 2));
    EXPECT_EQ(scan({"--json", "--limit", "4611686018427387904"}), byDefault);
}

// Colour icons and cursors with their own palettes are listed with their record's place, size
// and depth and a note, never as an icon to show; a damaged record says so.
TEST(CliScan, ListsColourIconsWithTheirOwnPalettesWithANote)
{
    const auto fork = sample::writeResourceFork({{"cicn", 128, "Colour", sample::colorIconResource(32, 32, 8)},
                                                 {"crsr", 129, "", sample::colorCursorResource(2)},
                                                 {"cicn", 130, "", std::vector<std::uint8_t>(60)}});
    const std::string path = test::writeTempFile(fork.bytes);
    const auto at = [&](std::size_t i) { return fork.dataOffsets[i]; };
    const auto line = [&](std::size_t i, int id, nlohmann::json name, const char* type, nlohmann::json w, nlohmann::json h,
                          nlohmann::json depth, const char* note) {
        return nlohmann::json{{"recordOffset", at(i)}, {"source", "resource"}, {"type", type}, {"id", id}, {"name", name},
                              {"width", w}, {"height", h}, {"depth", depth}, {"note", note}};
    };
    EXPECT_EQ(test::jsonLines({"scan", path, "--json"}),
              (std::vector{line(0, 128, "Colour", "cicn", 32, 32, 8, "own palette, not shown"),
                           line(2, 130, nullptr, "cicn", nullptr, nullptr, nullptr, "damaged"),
                           line(1, 129, nullptr, "crsr", 16, 16, 2, "own palette, not shown")}));
    const auto text = lines(runCli({"scan", path}).out);
    ASSERT_EQ(text.size(), 3u);
    EXPECT_EQ(text[0], "record at " + std::to_string(at(0)) + " (0x" + QString::number(at(0), 16).toStdString() +
                           ")  resource at 0: cicn ID 128 \"Colour\", 8-bit 32x32, own palette, not shown");
    EXPECT_TRUE(text[1].ends_with(": cicn ID 130, damaged")) << text[1];
}

// Wrappers made by the Debian tools: `parts` lists each layer's parts; every command opens
// the part that stands out, or the one --part names (with or without FILE's name), or with
// --raw the file's own bytes; equal parts and unknown paths are refused, naming the choices.
TEST(CliParts, ListsPartsAndOpensThemByPath)
{
    const auto disk = test::randomBytes(20000, 7), icons = test::randomBytes(3000, 8);
    const std::string dir = QFileInfo(QString::fromStdString(test::writeTempFile(disk, "disk.img"))).path().toStdString();
    ASSERT_TRUE(QFile::copy(QString::fromStdString(test::writeTempFile(icons, "icons.rsrc")),
                            QString::fromStdString(dir + "/icons.rsrc")));
    const std::string make = "cd '" + dir + "' && gzip -k disk.img && binhex -r -t ICN_ -c PQTS icons.rsrc > icons.hqx && "
                             "zip -q two.zip disk.img.gz icons.rsrc && "
                             "printf hello | gzip -c | head -c -4 > big.gz && printf '\\360\\377\\377\\377' >> big.gz";
    ASSERT_EQ(std::system(make.c_str()), 0);
    const auto json = [](const char* path, const char* layer, const char* kind, int size, const char* name,
                         nlohmann::json type, nlohmann::json creator) {
        return nlohmann::json{{"path", path}, {"layer", layer}, {"kind", kind}, {"size", size},
                              {"name", name}, {"type", type},   {"creator", creator}};
    };
    const struct {
        const char* file;
        std::vector<nlohmann::json> parts;
    } listings[] = {
        {"disk.img.gz", {json("disk.img.gz/disk.img", "gzip", "decompressed stream", 20000, "disk.img", nullptr, nullptr)}},
        {"icons.hqx", {json("icons.hqx/data fork", "BinHex", "data fork", 0, "icons.rsrc", "ICN_", "PQTS"),
                       json("icons.hqx/resource fork", "BinHex", "resource fork", 3000, "icons.rsrc", "ICN_", "PQTS")}},
    };
    for (const auto& l : listings)
        EXPECT_EQ(test::jsonLines({"parts", dir + "/" + l.file, "--json"}), l.parts) << l.file;

    const std::string diskDigest = test::sha256Of(disk), iconsDigest = test::sha256Of(icons);
    const QByteArray big = test::readWholeFile(QString::fromStdString(dir + "/big.gz"));
    const std::string bigDigest = test::sha256Of(std::span(reinterpret_cast<const std::uint8_t*>(big.data()), std::size_t(big.size())));
    const struct {
        Args args;
        std::string digest; // empty: refused
        const char* part;   // what info says, or what stderr says
    } opens[] = {
        {{"disk.img.gz"}, diskDigest, "disk.img.gz/disk.img"},
        {{"icons.hqx"}, iconsDigest, "icons.hqx/resource fork"},
        {{"two.zip", "--part", "disk.img.gz/disk.img"}, diskDigest, "two.zip/disk.img.gz/disk.img"},
        {{"two.zip", "--part", "two.zip/icons.rsrc"}, iconsDigest, "two.zip/icons.rsrc"},
        {{"disk.img"}, diskDigest, ""},
        {{"two.zip"}, "", "choose one with --part (or --raw): \"two.zip/disk.img.gz\", \"two.zip/icons.rsrc\""},
        {{"two.zip", "--part", "icons.rsrc/resource fork"}, "", "has no part \"icons.rsrc/resource fork\""},
        // A cut stream whose last bytes read as 4 GiB: no question about that guess; found
        // damaged, its raw bytes are used.
        {{"big.gz"}, bigDigest, ""},
    };
    for (const auto& o : opens) {
        Args args{"info", dir + "/" + o.args[0]};
        args.insert(args.end(), o.args.begin() + 1, o.args.end());
        const auto result = runCli(args);
        if (o.digest.empty()) {
            EXPECT_EQ(result.exitCode, 1);
            EXPECT_NE(result.err.find(o.part), std::string::npos) << result.err;
            continue;
        }
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const auto info = nlohmann::json::parse(result.out);
        EXPECT_EQ(info["sha256"], o.digest) << o.part;
        EXPECT_EQ(info.value("part", ""), o.part);
    }
    const auto raw = runCli({"info", dir + "/disk.img.gz", "--raw"});
    EXPECT_EQ(nlohmann::json::parse(raw.out)["size"], QFileInfo(QString::fromStdString(dir + "/disk.img.gz")).size());
}

TEST(CliFailures, ExitStatusAndTheCauseOnStderr)
{
    const auto bytes = test::randomBytes(8448, 2);
    const std::string data = test::writeTempFile(bytes);
    const QString folder = test::makeTempDir();
    const std::string to = folder.toStdString(), png = to + "/out.png";
    const std::string ours = test::writeBookmarksFile({"x", test::sha256Of(bytes), {{0, "a", 1, 32, false}}});
    const std::string other = test::writeBookmarksFile({"x", test::sha256Of(test::randomBytes(10, 1)), {}});
    const std::string longName = test::writeBookmarksFile({"x", test::sha256Of(bytes), {{8440, std::string(1000, 'x'), 1, 16, false}}});
    const struct {
        Args args;
        int status;
        std::string says;
    } cases[] = {
        {{"info", data + ".missing"}, 1, "does not exist"},
        {{"render", data, "--offset", "8440", "--depth", "1", "--size", "16", "--out", png}, 1, "outside the file"},
        {{"render", data, "--offset", "8400", "--depth", "1", "--size", "16", "--mask", "--out", png}, 1, "with its mask"},
        {{"render", data, "--offset", "0", "--depth", "8", "--size", "32", "--out", png}, 1, "too short"},
        {{"render", data, "--offset", "0", "--depth", "1", "--size", "16", "--out", to + "/" + std::string(300, 'x') + ".gif"},
         1, "\u2026" + std::string(36, 'x') + ".gif\": use the extension .png, .bmp or .tiff"},
        {{"render", data, "--offset", "-5", "--depth", "1", "--size", "16", "--out", png}, 2, "--offset"},
        {{"export", data, "--to", to, "--bookmarks", longName}, 1, "\u2026" + std::string(40, 'x') + "\" at offset 8440"},
        {{"export", data, "--to", to, "--bookmarks", other}, 1, "other data"},
        {{"export", data, "--to", to + "/missing", "--bookmarks", ours}, 1, "is not a folder"},
        {{"export", data, "--to", to, "--bookmarks", ours, "--image-zoom", "0"}, 2, "--image-zoom must be at least 1"},
        {{"export", data, "--to", to, "--bookmarks", ours, "--text-zoom", "100"}, 2, "at most 64"},
        {{"scan"}, 2, "FILE"},
        {{"scan", data, "--min-score", "nan"}, 2, "--min-score: not a"},
        {{"scan", data, "--min-score", "1.5"}, 2, "--min-score: not a"},
        {{"scan", data, "--limit", "0"}, 2, "--limit: not a"},
        {{"scan", data, "--limit", "0x10"}, 2, "--limit: not a"},
        {{"scan", data, "--limit", "9223372036854775808"}, 2, "--limit: not a"},
        {{"bookmarks", "rename", data, "--index", "4", "--name", "x"}, 1, "There is no bookmark at row 4."},
        {{"bookmarks", "add", data, "--offset", "0", "--depth", "4", "--size", "16", "--mask-offset", "8417"}, 1,
         "Mask offset 8417 is outside the file"},
        {{"bookmarks", "add", data, "--offset", "0", "--depth", "3", "--size", "32"}, 2, "--depth: 3 not in"},
    };
    for (const auto& c : cases) {
        const auto result = runCli(c.args);
        EXPECT_EQ(result.exitCode, c.status) << c.says;
        EXPECT_EQ(result.out, "") << c.says;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err.substr(0, 400);
        EXPECT_TRUE(c.status == 2 || lines(result.err).size() == 1) << result.err.substr(0, 400);
    }
    EXPECT_TRUE(QDir(folder).isEmpty());
}

} // namespace
} // namespace pq
