// pixelquarry-cli bookmarks, run as a program against the test's own XDG_DATA_HOME.
#include "document/bookmark_file_json.h"
#include "document/sha256_hex.h"

#include "cli_test_support.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace pq {
namespace {

using test::Args;
using test::readWholeFile;
using test::runCli;

QString storeFolder() { return qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/org.pixelquarry.Pixelquarry"); }
QString storeFileOf(const std::vector<std::uint8_t>& data)
{
    return storeFolder() + QLatin1Char('/') + QString::fromStdString(sha256Hex(data)) + QStringLiteral(".json");
}
ino_t inodeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}
// The bookmarks as another JSON reader sees them: "nickname@offset/bitDepth/widthInBits[m]".
std::vector<std::string> rows(const QByteArray& json)
{
    std::vector<std::string> out;
    for (const auto& v : QJsonDocument::fromJson(json).object().value("bookmarks").toArray()) {
        const QJsonObject b = v.toObject();
        out.push_back(b.value("nickname").toString().toStdString() + "@" + std::to_string(b.value("offset").toInteger()) +
                      "/" + std::to_string(b.value("bitDepth").toInteger()) + "/" +
                      std::to_string(b.value("widthInBits").toInteger()) + (b.value("hasMask").toBool() ? "m" : ""));
    }
    return out;
}

TEST(CliBookmarks, AddOnNeverBookmarkedDataCreatesOneDigestNamedFileAndASecondAddWritesNothing)
{
    const auto bytes = test::randomBytes(8192, 3101);
    const std::string path = test::writeTempFile(bytes);
    const QStringList before = QDir(storeFolder()).entryList(QDir::Files | QDir::Hidden);

    auto first = runCli({"bookmarks", "add", path, "--offset", "0x400", "--depth", "4", "--size", "16"});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    QStringList created = QDir(storeFolder()).entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : before)
        created.removeOne(name);
    const QString digest = QString::fromStdString(sha256Hex(bytes));
    ASSERT_EQ(created, QStringList{digest + QStringLiteral(".json")});
    const QByteArray content = readWholeFile(storeFileOf(bytes));
    const QJsonObject top = QJsonDocument::fromJson(content).object();
    EXPECT_EQ(top.value("fullName").toString(), "No description");
    EXPECT_EQ(top.value("sha256").toString(), digest);
    EXPECT_EQ(digest, digest.toLower());
    EXPECT_EQ(rows(content), std::vector<std::string>{"untitled 1024@1024/4/64"});

    const ino_t inode = inodeOf(storeFileOf(bytes));
    auto second = runCli({"bookmarks", "add", path, "--offset", "1024", "--depth", "4", "--size", "16", "--name", "x"});
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_NE(second.out.find("already present"), std::string::npos) << second.out;
    EXPECT_EQ(inodeOf(storeFileOf(bytes)), inode); // not even rewritten
    EXPECT_EQ(readWholeFile(storeFileOf(bytes)), content);
}

TEST(CliBookmarks, ListRenameMaskAndDeleteWorkOnTheStoredFile)
{
    const auto bytes = test::randomBytes(8192, 3102);
    const std::string path = test::writeTempFile(bytes);
    auto list = runCli({"bookmarks", "list", path});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    auto empty = decodeBookmarkFile(list.out);
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->bookmarks.empty());
    EXPECT_EQ(empty->sha256, sha256Hex(bytes));
    EXPECT_FALSE(QFile::exists(storeFileOf(bytes))); // listing writes nothing

    ASSERT_EQ(runCli({"bookmarks", "add", path, "--offset", "16", "--depth", "1", "--size", "32", "--name", "Disk"}).exitCode, 0);
    ASSERT_EQ(runCli({"bookmarks", "add", path, "--offset", "16", "--depth", "1", "--size", "16"}).exitCode, 0);
    ASSERT_EQ(runCli({"bookmarks", "rename", path, "--index", "1", "--name", "Disk"}).exitCode, 0);
    ASSERT_EQ(runCli({"bookmarks", "mask", path, "--offset", "16", "--depth", "1", "--size", "16", "--on"}).exitCode, 0);
    EXPECT_EQ(rows(readWholeFile(storeFileOf(bytes))), (std::vector<std::string>{"Disk@16/1/32", "Disk@16/1/16m"}));
    ASSERT_EQ(runCli({"bookmarks", "delete", path, "--offset", "16", "--depth", "1", "--size", "32"}).exitCode, 0);
    list = runCli({"bookmarks", "list", path});
    EXPECT_EQ(rows(QByteArray::fromStdString(list.out)), std::vector<std::string>{"Disk@16/1/16m"});
    ASSERT_EQ(runCli({"bookmarks", "add", path, "--offset", "5", "--depth", "4", "--size", "16"}).exitCode, 0);

    const QByteArray kept = readWholeFile(storeFileOf(bytes));
    for (const Args& args :
         {Args{"bookmarks", "rename", path, "--index", "4", "--name", "x"},
          Args{"bookmarks", "delete", path, "--offset", "17", "--depth", "1", "--size", "16"},
          Args{"bookmarks", "mask", path, "--offset", "16", "--depth", "4", "--size", "16", "--off"},
          Args{"bookmarks", "mask", path, "--offset", "5", "--depth", "4", "--size", "16", "--on"}, // 1-bit only
          Args{"bookmarks", "add", path, "--offset", "9000", "--depth", "1", "--size", "32"}}) {
        const auto r = runCli(args);
        EXPECT_EQ(r.exitCode, 1) << args[1];
        EXPECT_FALSE(r.err.empty()) << args[1];
    }
    EXPECT_EQ(readWholeFile(storeFileOf(bytes)), kept);
}

TEST(CliBookmarks, AnUnreadableStoredFileIsReportedAndNeverReplaced)
{
    const auto bytes = test::randomBytes(8192, 3103);
    const std::string path = test::writeTempFile(bytes);
    QDir().mkpath(storeFolder());
    {
        QFile f(storeFileOf(bytes));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(R"({"fullName": "mine", "sha256": "x", "bookmarks": [{"offset": 1.5}]})");
    }
    const QByteArray original = readWholeFile(storeFileOf(bytes));
    for (const Args& args :
         {Args{"bookmarks", "list", path},
          Args{"bookmarks", "add", path, "--offset", "0", "--depth", "1", "--size", "32"},
          Args{"bookmarks", "delete", path, "--offset", "0", "--depth", "1", "--size", "32"}}) {
        const auto r = runCli(args);
        EXPECT_EQ(r.exitCode, 1) << args[1];
        EXPECT_NE(r.err.find(storeFileOf(bytes).toStdString()), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
    EXPECT_EQ(readWholeFile(storeFileOf(bytes)), original);
}

TEST(CliBookmarks, ImportCountsAddedAndPresentBookmarksOrSaysWhyNoneWere)
{
    const auto bytes = test::randomBytes(8192, 3104);
    const std::string path = test::writeTempFile(bytes);
    ASSERT_EQ(runCli({"bookmarks", "add", path, "--offset", "8", "--depth", "1", "--size", "32"}).exitCode, 0);
    const auto oldFile = [&](const std::string& digest) {
        return test::writeBookmarksFile({"Old", digest, {{8, "eight", 1, 32, false}, {9, "nine", 1, 32, true}}}, "old.json");
    };
    auto imported = runCli({"bookmarks", "import", path, oldFile(sha256Hex(bytes))});
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_NE(imported.out.find("Imported 1 of 2 bookmarks"), std::string::npos) << imported.out;
    EXPECT_NE(imported.out.find("1 were already present"), std::string::npos) << imported.out;
    EXPECT_EQ(rows(readWholeFile(storeFileOf(bytes))), (std::vector<std::string>{"untitled 8@8/1/32", "nine@9/1/32m"}));

    // Each refusal names the check that failed.
    const std::string badMember = R"({"fullName": "x", "sha256": "s", "bookmarks": [{"offset": 1}]})";
    const std::pair<std::string, std::string> refusals[] = {
        {oldFile(sha256Hex({})), "its digest " + sha256Hex({}) + " differs from " + sha256Hex(bytes)},
        {test::writeTempFile({'{'}, "bad.json"), "not a readable bookmarks file (it is not valid JSON"},
        {test::writeTempFile({badMember.begin(), badMember.end()}, "member.json"), "\"bookmarks[0].nickname\" is missing"},
        {test::makeTempDir().toStdString() + "/missing.json", "does not exist"},
    };
    for (const auto& [file, why] : refusals) {
        auto refused = runCli({"bookmarks", "import", path, file});
        EXPECT_EQ(refused.exitCode, 1) << file;
        EXPECT_NE(refused.err.find(why), std::string::npos) << refused.err;
    }
    EXPECT_EQ(rows(readWholeFile(storeFileOf(bytes))).size(), 2u);
}

// Commands run at the same time each start from the file as the others left it.
TEST(CliBookmarks, ParallelAddsKeepEveryBookmark)
{
    const auto bytes = test::randomBytes(8192, 3107);
    const std::string path = test::writeTempFile(bytes);
    constexpr int kCount = 100;
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
    EXPECT_EQ(rows(readWholeFile(storeFileOf(bytes))).size(), std::size_t{kCount});
}

TEST(CliBookmarks, UsageErrorsExitWithTwo)
{
    const std::string path = test::writeTempFile(test::randomBytes(8192, 3105));
    for (const Args& args :
         {Args{"bookmarks"}, Args{"bookmarks", "list"},
          Args{"bookmarks", "add", path, "--offset", "0", "--depth", "3", "--size", "32"},
          Args{"bookmarks", "add", path, "--offset", "-1", "--depth", "1", "--size", "32"},
          Args{"bookmarks", "add", path, "--offset", "0", "--depth", "1", "--size", "24"},
          Args{"bookmarks", "mask", path, "--offset", "0", "--depth", "1", "--size", "32"},
          Args{"bookmarks", "mask", path, "--offset", "0", "--depth", "1", "--size", "32", "--on", "--off"},
          Args{"bookmarks", "rename", path, "--index", "0"}})
        EXPECT_EQ(runCli(args).exitCode, 2) << args.size();
}

TEST(CliBookmarks, AStoreFolderThatMayNotBeWrittenFailsWithoutWritingElsewhere)
{
    if (test::ranUnprivileged())
        return;
    const auto bytes = test::randomBytes(8192, 3106);
    const std::string path = test::writeTempFile(bytes);
    QDir().mkpath(storeFolder());
    ASSERT_EQ(::chmod(QFile::encodeName(storeFolder()).constData(), 0555), 0);
    const auto r = runCli({"bookmarks", "add", path, "--offset", "0", "--depth", "1", "--size", "32"});
    ::chmod(QFile::encodeName(storeFolder()).constData(), 0755);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("permission"), std::string::npos) << r.err;
    EXPECT_FALSE(QFile::exists(storeFileOf(bytes)));
}

} // namespace
} // namespace pq
