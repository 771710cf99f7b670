#include "controller_fixture.h"

#include "document/bookmark_file_json.h"

#include <QSignalSpy>

namespace pq::test {
namespace {

using Outcome = ImportReport::Outcome;

class ImportTest : public ControllerTest {
protected:
    const std::string kImported =
        "info:Bookmarks Imported|Your existing bookmarks have been imported successfully. If you wish, you may now "
        "delete the old bookmarks file named \"old bookmarks.json\".";

    QByteArray fileOf(const std::vector<std::uint8_t>& data, std::vector<Bookmark> list, std::string fullName = "Old")
    {
        return QByteArray::fromStdString(*encodeBookmarkFile({std::move(fullName), sha256Hex(data), std::move(list)}));
    }
    ImportReport import(const QByteArray& content)
    {
        return controller.processJSON(content, dir + QStringLiteral("/sub/old bookmarks.json"));
    }
};

TEST_F(ImportTest, AppendsNewBookmarksInOrderWithOneSaveAndRevealsPresentOnes)
{
    open(bytes);
    ASSERT_TRUE(controller.appendBookmark({10, "held", 1, 32, false}).has_value());
    screen.clear();
    const int writes = store->writes;
    const auto report = import(fileOf(bytes, {{20, "twenty", 4, 64, true}, {10, "held again", 1, 32, true},
                                              {30, "thirty", 8, 256, false}}));
    EXPECT_EQ(report.outcome, Outcome::Imported);
    EXPECT_EQ(report.added, 2);
    EXPECT_EQ(report.present, 1);
    EXPECT_EQ(store->writes, writes + 1);
    auto disk = onDisk(storePath(bytes)).file;
    EXPECT_EQ(nicknames(disk), (std::vector<std::string>{"held", "twenty", "thirty"}));
    EXPECT_TRUE(disk.bookmarks[1].hasMask); // taken exactly as read
    EXPECT_FALSE(disk.bookmarks[0].hasMask);
    EXPECT_EQ(disk.fullName, "No description"); // the imported file's name is never used
    EXPECT_EQ(screen.events,
              (std::vector<std::string>{"select:0", "scroll:0", "refresh", "scroll:2", kImported, "refresh"}));
}

TEST_F(ImportTest, AFileWhoseBookmarksAreAllPresentOrNoneWritesNothingButStillReports)
{
    open(bytes);
    ASSERT_TRUE(controller.appendBookmark({10, "a", 1, 32, false}).has_value());
    ASSERT_TRUE(controller.appendBookmark({11, "b", 1, 32, false}).has_value());
    const int writes = store->writes;
    screen.clear();
    import(fileOf(bytes, {{11, "x", 1, 32, false}, {10, "y", 1, 32, false}}));
    EXPECT_EQ(screen.events,
              (std::vector<std::string>{"select:1", "scroll:1", "select:0", "scroll:0", kImported, "refresh"}));
    screen.clear();
    const auto empty = import(fileOf(bytes, {}));
    EXPECT_EQ(empty.outcome, Outcome::Imported);
    EXPECT_EQ(screen.events, (std::vector<std::string>{kImported, "refresh"}));
    EXPECT_EQ(store->writes, writes);
}

struct IgnoredCase {
    const char* name;
    bool openData;
    std::function<QByteArray(const std::vector<std::uint8_t>&)> content;
    Outcome outcome;
    const char* why; // what the status line says failed; empty: no status line
};

class ImportIgnored : public ImportTest, public ::testing::WithParamInterface<IgnoredCase> {};

// Files of other data, unreadable files and imports with nothing open change nothing and show
// no alert; the status line says which check failed.
TEST_P(ImportIgnored, SilentlyChangesNothing)
{
    if (GetParam().openData)
        open(bytes);
    screen.clear();
    const auto report = import(GetParam().content(bytes));
    EXPECT_EQ(report.outcome, GetParam().outcome);
    EXPECT_TRUE(screen.matching("info:").empty());
    EXPECT_TRUE(screen.matching("error:").empty());
    EXPECT_TRUE(screen.matching("refresh").empty());
    const auto status = screen.matching("status:");
    if (*GetParam().why) {
        ASSERT_EQ(status.size(), 1u);
        EXPECT_NE(status[0].find(GetParam().why), std::string::npos) << status[0];
    } else {
        EXPECT_TRUE(status.empty());
    }
    EXPECT_EQ(store->writes, 0);
    if (GetParam().openData) {
        EXPECT_TRUE(controller.bookmarkFile()->bookmarks.empty());
    }
}

QByteArray withDigest(const std::string& digest)
{
    return QByteArray::fromStdString(*encodeBookmarkFile({"x", digest, {{1, "n", 1, 32, false}}}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImportIgnored,
    ::testing::Values(
        IgnoredCase{"otherData", true, [](const auto&) { return withDigest(sha256Hex(randomBytes(100, 42))); },
                    Outcome::OtherData, "holds the bookmarks of other data (digest "},
        IgnoredCase{"upperCaseDigest", true,
                    [](const auto& data) {
                        auto digest = sha256Hex(data);
                        std::ranges::transform(digest, digest.begin(), [](char c) { return std::toupper(c); });
                        return withDigest(digest);
                    },
                    Outcome::OtherData, "other data (digest"},
        IgnoredCase{"noDataOpen", false, [](const auto& data) { return withDigest(sha256Hex(data)); }, Outcome::NoData, ""},
        IgnoredCase{"invalidJson", true, [](const auto&) { return QByteArray("{\"fullName\""); }, Outcome::Unreadable,
                    "not a bookmarks file and was not imported: it is not valid JSON"},
        IgnoredCase{"emptyFile", true, [](const auto&) { return QByteArray(); }, Outcome::Unreadable, "not valid JSON"},
        IgnoredCase{"wrongType", true,
                    [](const auto& data) {
                        return QByteArray::fromStdString(R"({"fullName": "x", "sha256": ")" + sha256Hex(data) +
                                                         R"(", "bookmarks": [{"offset": "1", "nickname": "n",
                                                         "bitDepth": 1, "widthInBits": 32}]})");
                    },
                    Outcome::Unreadable, "\"bookmarks[0].offset\" has the wrong type"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ImportTest, AFailedSaveImportsNothingAndSaysWhy)
{
    open(bytes);
    ASSERT_TRUE(controller.appendBookmark({2, "two", 1, 32, false}).has_value());
    store->failAfterWrites = 1;
    screen.clear();
    const auto report = import(fileOf(bytes, {{1, "one", 1, 32, false}, {2, "two", 1, 32, false}, {3, "three", 1, 32, false}}));
    EXPECT_EQ(report.outcome, Outcome::Imported);
    EXPECT_EQ(report.added, 0);
    ASSERT_TRUE(report.failure.has_value());
    EXPECT_EQ(report.failure->kind, DocumentError::Kind::WriteFailed);
    EXPECT_EQ(nicknames(onDisk(storePath(bytes)).file), std::vector<std::string>{"two"});
    EXPECT_EQ(nicknames(*controller.bookmarkFile()), std::vector<std::string>{"two"});
    EXPECT_TRUE(screen.matching("info:").empty());
    const auto errors =
        screen.matching("error:The import stopped|None of the 2 new bookmarks of \u201Cold bookmarks.json\u201D");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("No space left on device"), std::string::npos);
}

TEST_F(ImportTest, IntoDataWhoseStoredFileIsUnreadableIsRefusedWithAMessage)
{
    writeRaw(storePath(bytes), "not json");
    open(bytes);
    const auto report = import(fileOf(bytes, {{1, "one", 1, 32, false}}));
    EXPECT_EQ(report.outcome, Outcome::NotStored);
    EXPECT_EQ(screen.matching("error:The bookmarks file cannot be read").size(), 1u);
    EXPECT_EQ(readWholeFile(storePath(bytes)), "not json");
}

TEST_F(ImportTest, WaitsForTheDigestOfTheOpenData)
{
    controller.setBackgroundDigestThreshold(0);
    open(bytes);
    QSignalSpy finished(&controller, &DocumentController::importFinished);
    const auto report = import(fileOf(bytes, {{1, "one", 1, 32, false}}));
    EXPECT_EQ(report.outcome, Outcome::Deferred);
    EXPECT_EQ(finished.size(), 0);
    ASSERT_TRUE(controller.waitForDigest(60000));
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished[0][0].value<ImportReport>().added, 1);
    EXPECT_EQ(nicknames(onDisk(storePath(bytes)).file), std::vector<std::string>{"one"});
}

TEST_F(ImportTest, AnImportWaitingForTheDigestStillBelongsToItsDataWhenOtherDataOpens)
{
    controller.setBackgroundDigestThreshold(0);
    const auto big = randomBytes(std::size_t{24} << 20, 31);
    open(big);
    QSignalSpy finished(&controller, &DocumentController::importFinished);
    EXPECT_EQ(import(fileOf(big, {{1, "one", 1, 32, false}})).outcome, Outcome::Deferred);
    open(bytes, QStringLiteral("next.img"));
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_EQ(finished[0][0].value<ImportReport>().outcome, Outcome::Imported);
    EXPECT_EQ(nicknames(onDisk(storePath(big)).file), std::vector<std::string>{"one"});
    ASSERT_TRUE(controller.waitForDigest(60000));
    EXPECT_TRUE(controller.bookmarkFile()->bookmarks.empty());
    EXPECT_EQ(controller.digest(), sha256Hex(bytes));
}

} // namespace
} // namespace pq::test
