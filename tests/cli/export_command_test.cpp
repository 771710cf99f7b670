#include "document/bookmark_file_json.h"
#include "document/bookmark_store.h"
#include "document/sha256_hex.h"
#include "sample_image.h"

#include "cli_test_support.h"

#include <QDir>
#include <QFile>
#include <QImageReader>

#include <gtest/gtest.h>

namespace pq {
namespace {

using pq::test::runCli;
using pq::test::writeBookmarksFile;

QStringList lines(const std::string& text)
{
    QStringList list;
    for (const std::string& line : test::lines(text))
        list << QString::fromStdString(line);
    return list;
}

QStringList entries(const QString& folder)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    names.sort();
    return names;
}

// Every planted icon of the sample image, bookmarked under a nickname of its own, exported
// with every kind: per bookmark, in order, the image, text, scene and SVG files.
TEST(CliExport, EveryKindOfEverySampleBookmarkInOrder)
{
    const auto sample = pq::sample::makeSampleDiskImage();
    BookmarkFile file{"Sample", sha256Hex(sample.bytes), {}};
    for (const auto& icon : sample.icons)
        file.bookmarks.push_back({icon.offset, icon.name + "-" + std::to_string(icon.side) + "-" + std::to_string(icon.offset),
                                  icon.bitDepth, icon.bitDepth * icon.side, icon.hasMask});
    const QString out = test::makeTempDir();
    for (const char* format : {"PNG", "TIFF"}) {
        const auto result = runCli({"export", PQ_SAMPLE_IMAGE, "--to", out.toStdString(), "--bookmarks",
                                    writeBookmarksFile(file), "--image-format", format, "--ruler"});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const QString extension = QString::fromLatin1(format).toLower();
        QStringList expected;
        for (const Bookmark& b : file.bookmarks)
            for (const QString& ext : {extension, QStringLiteral("txt"), QStringLiteral("dae"), QStringLiteral("svg")})
                expected << out + "/" + QString::fromStdString(b.nickname) + "." + ext;
        EXPECT_EQ(lines(result.out), expected);
        for (std::size_t i = 0; i < file.bookmarks.size(); ++i) {
            const auto& icon = sample.icons[i];
            const QString stem = out + "/" + QString::fromStdString(file.bookmarks[i].nickname);
            // default image zoom 8 plus one ruler cell
            EXPECT_EQ(QImageReader(stem + "." + extension).size(), QSize((icon.side + 1) * 8, (icon.side + 1) * 8));
            EXPECT_EQ(lines(test::readWholeFile(stem + ".txt").toStdString()).size(), icon.side);
            EXPECT_TRUE(test::readWholeFile(stem + ".svg").contains(QStringLiteral("<svg width=\"%1\" height=\"%1\"").arg(icon.side * 10).toUtf8()));
            EXPECT_TRUE(QFile(stem + ".dae").size() > 0);
        }
    }
    EXPECT_EQ(entries(out).size(), int(file.bookmarks.size() * 5));
}

TEST(CliExport, StoredBookmarksUsdzAndChosenKinds)
{
    const auto bytes = test::randomBytes(20000, 3);
    const std::string data = test::writeTempFile(bytes);
    const BookmarkStore store;
    ASSERT_TRUE(store.ensureFolder());
    const std::string digest = sha256Hex(bytes);
    ASSERT_TRUE(store.save({"Stored", digest, {{64, "a/b", 4, 64, false}, {0, "..", 1, 32, true}}}, store.pathFor(digest)));
    const QString out = test::makeTempDir();
    const auto result = runCli({"export", data, "--to", out.toStdString(), "--kinds", "3d,text", "--scene-format", "usdz",
                                "--text-zoom", "2"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(lines(result.out), (QStringList{out + "/a_b.txt", out + "/a_b.usdz", out + "/__.txt", out + "/__.usdz"}));
    EXPECT_EQ(entries(out), (QStringList{"__.txt", "__.usdz", "a_b.txt", "a_b.usdz"}));
    EXPECT_EQ(lines(test::readWholeFile(out + "/__.txt").toStdString()).size(), 64);
}

TEST(CliExport, StopsAtTheFirstFailureNamingTheFileAndTheCause)
{
    const auto bytes = test::randomBytes(8192, 9);
    const std::string data = test::writeTempFile(bytes);
    const QString out = test::makeTempDir();
    const BookmarkFile file{"x", sha256Hex(bytes), {{0, "good", 1, 32, false}, {8150, "beyond", 1, 32, false}, {4, "never", 1, 32, false}}};
    const auto result = runCli({"export", data, "--to", out.toStdString(), "--bookmarks", writeBookmarksFile(file),
                                "--kinds", "svg,image"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(lines(result.out), (QStringList{out + "/good.png", out + "/good.svg"}));
    EXPECT_NE(result.err.find(out.toStdString() + "/beyond.png"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("outside the file"), std::string::npos) << result.err;
    EXPECT_EQ(entries(out), (QStringList{"good.png", "good.svg"}));
}

TEST(CliExport, RefusesBadRequestsBeforeWritingAnything)
{
    const auto bytes = test::randomBytes(8192, 4);
    const std::string data = test::writeTempFile(bytes);
    const QString out = test::makeTempDir();
    const std::string bookmarks = writeBookmarksFile({"x", sha256Hex(bytes), {{0, "a", 1, 32, false}}});
    const std::string otherData = writeBookmarksFile({"x", sha256Hex(test::randomBytes(10, 1)), {{0, "a", 1, 32, false}}});
    const struct {
        std::vector<std::string> args;
        int exitCode;
        const char* says;
    } cases[] = {
        {{"--image-zoom", "0"}, 2, "--image-zoom must be at least 1"},
        {{"--text-zoom", "-1"}, 2, "--text-zoom must be at least 1"},
        {{"--svg-zoom", "0"}, 2, "--svg-zoom must be at least 1"},
        {{"--image-zoom", "512", "--ruler"}, 2, "at most 496"},
        {{"--text-zoom", "100"}, 2, "at most 64"},
        {{"--image-format", "png"}, 2, ""},
        {{"--kinds", "image,pdf"}, 2, ""},
        {{"--scene-format", "obj"}, 2, ""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"export", data, "--to", out.toStdString(), "--bookmarks", bookmarks};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const auto result = runCli(args);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.args[0] << " " << result.err;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
    }
    const auto foreign = runCli({"export", data, "--to", out.toStdString(), "--bookmarks", otherData});
    EXPECT_EQ(foreign.exitCode, 1);
    EXPECT_NE(foreign.err.find("other data"), std::string::npos) << foreign.err;
    const auto noFolder = runCli({"export", data, "--to", (out + "/missing").toStdString(), "--bookmarks", bookmarks});
    EXPECT_EQ(noFolder.exitCode, 1);
    EXPECT_NE(noFolder.err.find("is not a folder"), std::string::npos);
    EXPECT_TRUE(entries(out).isEmpty());
}

} // namespace
} // namespace pq
