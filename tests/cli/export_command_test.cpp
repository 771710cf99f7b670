#include "document/bookmark_file_json.h"
#include "document/bookmark_store.h"
#include "document/sha256_hex.h"

#include "cli_test_support.h"

#include <QDir>

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

// Each bookmark is decoded in its own format, even on a file too short for the browser's
// 1-bit 32x32 icons; one that cannot be decoded is named, its long name clipped.
TEST(CliExport, NamesTheBookmarksThatDoNotFitTheFileAndWritesTheOthers)
{
    const auto bytes = test::randomBytes(2000, 9);
    const std::string data = test::writeTempFile(bytes);
    const QString out = test::makeTempDir();
    const BookmarkFile file{"x", sha256Hex(bytes),
                            {{0, "small", 1, 16, false}, {1950, std::string(100000, 'x'), 1, 32, false}, {64, "also", 1, 16, true}}};
    const auto result = runCli({"export", data, "--to", out.toStdString(), "--bookmarks", writeBookmarksFile(file),
                                "--kinds", "text"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(lines(result.out), (QStringList{out + "/small.txt", out + "/also.txt"}));
    const auto err = test::lines(result.err);
    ASSERT_EQ(err.size(), 1u) << result.err.substr(0, 1000);
    EXPECT_NE(err[0].find("\"xxxx"), std::string::npos) << err[0];
    EXPECT_NE(err[0].find("outside the file"), std::string::npos) << err[0];
    EXPECT_LT(err[0].size(), 400u);
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
