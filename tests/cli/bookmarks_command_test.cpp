// pixelquarry-cli bookmarks, run as a program against the test's own XDG_DATA_HOME: the
// commands reach the document controller and its answers reach the terminal. The rules of
// the edits, the store and the import are proved in the controller's tests.
#include "document/bookmark_file_json.h"

#include "cli_test_support.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <memory>

namespace pq {
namespace {

using test::Args;
using test::runCli;

// The bookmarks as the list command prints them: "nickname@offset/bitDepth/widthInBits[m][~maskOffset]".
std::vector<std::string> listed(const std::string& path)
{
    const auto list = runCli({"bookmarks", "list", path});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    std::vector<std::string> out;
    for (const Bookmark& b : decodeBookmarkFile(list.out).value_or(BookmarkFile{}).bookmarks)
        out.push_back(b.nickname + "@" + std::to_string(b.offset) + "/" + std::to_string(b.bitDepth) + "/" +
                      std::to_string(b.widthInBits) + (b.hasMask ? "m" : "") +
                      (b.maskOffset ? "~" + std::to_string(*b.maskOffset) : ""));
    return out;
}

TEST(CliBookmarks, AddRenameMaskDeleteAndImportRoundTrip)
{
    const auto bytes = test::randomBytes(8192, 3102);
    const std::string path = test::writeTempFile(bytes);
    const Args edits[] = {
        {"bookmarks", "add", path, "--offset", "0x10", "--depth", "1", "--size", "32"},
        {"bookmarks", "add", path, "--offset", "16", "--depth", "1", "--size", "16", "--name", "Disk"},
        {"bookmarks", "add", path, "--offset", "32", "--depth", "4", "--size", "16", "--mask-offset", "0x100"},
        {"bookmarks", "rename", path, "--index", "0", "--name", "Drive"},
        {"bookmarks", "mask", path, "--offset", "16", "--depth", "1", "--size", "16", "--on"},
        {"bookmarks", "delete", path, "--offset", "16", "--depth", "1", "--size", "32"},
    };
    for (const Args& args : edits) {
        const auto r = runCli(args);
        EXPECT_EQ(r.exitCode, 0) << args[1] << ": " << r.err;
    }
    EXPECT_EQ(listed(path), (std::vector<std::string>{"Disk@16/1/16m", "untitled 32@32/4/64~256"}));

    const std::string old =
        test::writeBookmarksFile({"Old", test::sha256Of(bytes), {{16, "x", 1, 16, false}, {9, "nine", 1, 32, false}}}, "old.json");
    const auto imported = runCli({"bookmarks", "import", path, old});
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_NE(imported.out.find("Imported 1 of 2 bookmarks"), std::string::npos) << imported.out;
    EXPECT_EQ(listed(path), (std::vector<std::string>{"Disk@16/1/16m", "untitled 32@32/4/64~256", "nine@9/1/32"}));
}

// Commands run at the same time each start from the file as the others left it.
TEST(CliBookmarks, ParallelAddsKeepEveryBookmark)
{
    const std::string path = test::writeTempFile(test::randomBytes(8192, 3107));
    constexpr int kCount = 24;
    std::vector<std::unique_ptr<QProcess>> adds;
    for (int i = 0; i < kCount; ++i) {
        adds.push_back(std::make_unique<QProcess>());
        adds.back()->start(QString::fromStdString(test::cliPath()),
                           {"bookmarks", "add", QString::fromStdString(path), "--offset", QString::number(i), "--depth",
                            "1", "--size", "32"});
    }
    for (auto& add : adds) {
        ASSERT_TRUE(add->waitForFinished(300000));
        EXPECT_EQ(add->exitCode(), 0) << add->readAllStandardError().toStdString();
    }
    EXPECT_EQ(listed(path).size(), std::size_t{kCount});
}

} // namespace
} // namespace pq
