#include "controller_fixture.h"

#include "document/document_intake.h"

#include <QSignalSpy>

#include <sys/stat.h>

namespace pq::test {
namespace {

using Kind = DocumentError::Kind;
using State = BookmarkFileState;

DocumentError errorOf(const std::expected<void, DocumentError>& result)
{
    return result ? DocumentError{} : result.error();
}

// Opening resets the browser and lists a new bookmarks file without writing; a tile twice adds
// once (its row is selected and revealed), the same offset in another format is another
// bookmark; the same bytes under another name find their bookmarks, the browser reset.
TEST_F(ControllerTest, OpeningListsANewFileBookmarkingWritesItAndTheSameBytesElsewhereFindIt)
{
    open(bytes);
    EXPECT_EQ(screen.events, (Names{"reset", "reload", "refresh", "title:disk.img", "hint:hidden", "refresh"}));
    EXPECT_EQ(controller.bookmarkFileState(), State::New);
    EXPECT_EQ(std::tie(controller.bookmarkFile()->fullName, controller.bookmarkFile()->sha256),
              std::tuple("No description", test::sha256Of(bytes)));
    EXPECT_EQ(controller.jsonFileURL(), storePath(bytes));
    EXPECT_TRUE(storeFiles().isEmpty());

    controller.setChunkerParameters({4, 128});
    screen.clear();
    controller.bookmarkChunk(chunkAt(1024));
    controller.bookmarkChunk(chunkAt(1024));
    EXPECT_EQ(screen.events, (Names{"refresh", "scroll:0", "select:0", "scroll:0"}));
    EXPECT_EQ(store->writes, 1);
    controller.setChunkerParameters({1, 16});
    controller.bookmarkChunk(chunkAt(1024));
    ASSERT_EQ(storeFiles(), QStringList{BookmarkStore::fileNameFor(test::sha256Of(bytes))});
    const auto disk = onDisk(storePath(bytes)).file;
    ASSERT_EQ(disk.bookmarks.size(), 2u);
    const Bookmark& b = disk.bookmarks[0];
    EXPECT_EQ(std::tie(disk.sha256, b.offset, b.nickname, b.bitDepth, b.widthInBits, b.hasMask),
              std::tuple(test::sha256Of(bytes), 1024, "untitled 1024", 4, 128, false));

    open(randomBytes(4096, 2), QStringLiteral("other.img"));
    EXPECT_TRUE(controller.bookmarkFile()->bookmarks.empty());
    open(bytes, QStringLiteral("copy.dat"));
    EXPECT_EQ(controller.chunker()->format(), (IconFormat{1, 32}));
    EXPECT_EQ(controller.bookmarkFile()->bookmarks.size(), 2u);
}

// Data too short for one icon (empty data included) is held without a decoder: no tiles,
// bookmarking does nothing, but its bookmarks file is still found or made. Without any data,
// edits change nothing.
TEST_F(ControllerTest, DataTooShortForAnIconIsHeldWithoutDecoderAndNoDataChangesNothing)
{
    EXPECT_TRUE(controller.appendBookmark({1, "x", 1, 32, false}).has_value());
    EXPECT_FALSE(controller.bookmarkFile().has_value());
    for (std::size_t size : {0, 1, 4096}) {
        const auto data = randomBytes(size, 3);
        open(data);
        EXPECT_FALSE(controller.chunker().has_value()) << size;
        EXPECT_EQ(controller.bookmarkFile()->sha256, test::sha256Of(data)) << size;
        controller.bookmarkChunk(Chunk{});
        EXPECT_TRUE(controller.bookmarkFile()->bookmarks.empty()) << size;
    }
    EXPECT_TRUE(storeFiles().isEmpty());
}

TEST_F(ControllerTest, EditsSaveTheWholeDocumentAndCompareBookmarksByKey)
{
    // A stored file holding two bookmarks of one key.
    writeRaw(storePath(bytes),
             bookmarksOf(bytes, {{1, "a", 1, 32, false}, {2, "b", 4, 64, false}, {1, "a again", 1, 32, false}}));
    open(bytes);
    ASSERT_EQ(controller.bookmarkFileState(), State::Loaded);
    QSignalSpy changed(&controller, &DocumentController::bookmarkChanged);
    QSignalSpy removed(&controller, &DocumentController::bookmarksRemoved);

    ASSERT_TRUE(controller.setBookmarkMask({1, 1, 32}, true).has_value()); // only the first of the key
    auto disk = onDisk(storePath(bytes)).file;
    EXPECT_EQ(std::tuple(disk.bookmarks[0].hasMask, disk.bookmarks[2].hasMask, disk.fullName),
              std::tuple(true, false, "Old"));
    ASSERT_TRUE(controller.setBookmarkMaskAt(2, true).has_value()); // a row, as the list hands it over
    ASSERT_TRUE(controller.renameBookmark(1, "").has_value());
    EXPECT_EQ(storedNicknames(storePath(bytes)), (Names{"a", "", "a again"}));
    EXPECT_TRUE(onDisk(storePath(bytes)).file.bookmarks[2].hasMask);
    EXPECT_EQ(changed.size(), 3);

    const int writes = store->writes;
    screen.clear();
    EXPECT_TRUE(controller.setBookmarkMask({9, 1, 32}, true).has_value()); // no such key: nothing at all
    const std::pair<std::expected<void, DocumentError>, Kind> refused[] = {
        {controller.renameBookmark(3, "x"), Kind::InvalidIndex},
        {controller.setBookmarkMaskAt(-1, false), Kind::InvalidIndex},
        {controller.setBookmarkMask({2, 4, 64}, true), Kind::MaskNotAllowed}, // only 1-bit icons have a mask
        {controller.setBookmarkMaskAt(1, true), Kind::MaskNotAllowed},
    };
    for (const auto& [result, kind] : refused)
        EXPECT_EQ(failure(result), kind);
    EXPECT_EQ(store->writes, writes);
    EXPECT_TRUE(screen.events.empty());

    ASSERT_TRUE(controller.deleteBookmark({1, 1, 32}).has_value()); // both of the key, told as two ranges
    EXPECT_EQ(storedNicknames(storePath(bytes)), Names{""});
    EXPECT_EQ(removed, (QList<QList<QVariant>>{{2, 2}, {0, 0}}));
    ASSERT_TRUE(controller.deleteBookmark({77, 1, 32}).has_value()); // nothing removed, still saved
    EXPECT_EQ(store->writes, writes + 2);
}

// A stored file that cannot be read (malformed, or a folder) is never replaced: opening stays
// silent, every edit is refused, a tile's request shows why.
TEST_F(ControllerTest, AnUnreadableStoredFileRefusesEveryEditAndIsKept)
{
    for (const bool folder : {false, true}) {
        const auto data = randomBytes(8192, folder ? 41 : 42);
        const QString path = storePath(data);
        folder ? void(QDir().mkpath(path)) : void(writeRaw(path, "{\"fullName\": "));
        screen.clear();
        open(data);
        EXPECT_EQ(controller.bookmarkFileState(), State::Unreadable);
        EXPECT_TRUE(screen.matching("error:").empty());
        const std::expected<void, DocumentError> results[] = {
            controller.appendBookmark({1, "x", 1, 32, false}), controller.renameBookmark(0, "x"),
            controller.deleteBookmark({1, 1, 32}), controller.setBookmarkMask({1, 1, 32}, true),
            controller.saveBookmarkFile()};
        for (const auto& r : results)
            EXPECT_EQ(std::tuple(failure(r), errorOf(r).path), std::tuple(Kind::BookmarkFileUnreadable, path));
        controller.bookmarkChunk(chunkAt(0));
        const auto errors = screen.matching("error:");
        EXPECT_TRUE(errors.size() == 1 && errors[0].find(path.toStdString()) != std::string::npos);
        EXPECT_EQ(QFileInfo(path).isDir(), folder);
    }
    EXPECT_EQ(readWholeFile(storePath(randomBytes(8192, 42))), "{\"fullName\": ");
    EXPECT_EQ(store->writes, 0);
}

// Another window or command that changed the stored file between two edits: the next edit
// starts from the file as it is on disk.
TEST_F(ControllerTest, AnEditAfterAnotherProgramChangedTheFileKeepsBoth)
{
    const BookmarkStore other(storeDir);
    ASSERT_TRUE(other.ensureFolder());
    for (const bool storedBefore : {false, true}) {
        const auto data = randomBytes(8192, storedBefore ? 21 : 22);
        BookmarkFile onFile{"No description", test::sha256Of(data), {{1, "stored", 1, 32, false}}};
        ASSERT_TRUE(!storedBefore || other.save(onFile, storePath(data)).has_value());
        open(data);
        onFile.bookmarks.resize(storedBefore ? 2 : 1);
        onFile.bookmarks.back() = {2, "other program", 1, 32, false};
        ASSERT_TRUE(other.save(onFile, storePath(data)).has_value());
        ASSERT_TRUE(controller.appendBookmark({3, "this window", 1, 32, false}).has_value());
        const Names expected =
            storedBefore ? Names{"stored", "other program", "this window"} : Names{"other program", "this window"};
        EXPECT_EQ(storedNicknames(storePath(data)), expected) << storedBefore;
        EXPECT_EQ(nicknames(*controller.bookmarkFile()), expected) << storedBefore;
    }
}

// Large files are saved behind the screen, one save after another: each edit returns before its
// save, the saves land in the order of the edits, and a failed one is shown when it ends.
TEST_F(ControllerTest, BackgroundSavesLandInOrderAndShowTheirFailures)
{
    controller.setBackgroundSaveThreshold(1);
    open(bytes);
    ASSERT_TRUE(controller.appendBookmark({1, "one", 1, 32, false}).has_value());
    ASSERT_TRUE(controller.renameBookmark(0, "first").has_value());
    ASSERT_TRUE(controller.appendBookmark({2, "two", 1, 32, false}).has_value());
    ASSERT_TRUE(controller.waitForSaves(60000));
    EXPECT_EQ(storedNicknames(storePath(bytes)), (Names{"first", "two"}));

    store->failAfterWrites = store->writes;
    screen.clear();
    ASSERT_TRUE(controller.renameBookmark(1, "unsaved").has_value());
    ASSERT_TRUE(controller.waitForSaves(60000));
    EXPECT_EQ(screen.matching("error:").size(), 1u);
    EXPECT_EQ(storedNicknames(storePath(bytes)), (Names{"first", "two"}));
}

TEST_F(ControllerTest, WithoutAStoreFolderTheNewDataNeverWritesIntoThePreviousFile)
{
    open(bytes);
    ASSERT_TRUE(controller.appendBookmark({5, "first data", 1, 32, false}).has_value());
    const QString moved = dir + QStringLiteral("/moved");
    ASSERT_TRUE(QDir().rename(storeDir, moved));
    writeRaw(storeDir, "a file where the folder belongs");
    const QString previous = moved + QLatin1Char('/') + BookmarkStore::fileNameFor(test::sha256Of(bytes));
    const QByteArray before = readWholeFile(previous);

    open(randomBytes(4096, 9));
    EXPECT_EQ(controller.bookmarkFileState(), State::NoStore);
    EXPECT_TRUE(controller.jsonFileURL().isEmpty());
    EXPECT_EQ(errorOf(controller.appendBookmark({6, "second data", 1, 32, false})),
              (DocumentError{Kind::NoBookmarkStore, storeDir, {}}));
    EXPECT_EQ(readWholeFile(previous), before);
    EXPECT_EQ(readWholeFile(storeDir), "a file where the folder belongs");
}

// A store that may not be written: the edit counts as made and the user is asked where to
// save, until a writable place is chosen (no answer keeps the edit in memory, an empty one is
// reported); later edits of that data go there without asking, until other data is opened.
TEST_F(ControllerTest, AnUnwritableStoreAsksForALocationUntilAWritableOneIsChosen)
{
    store->deniedPrefix = storeDir;
    open(bytes);
    ASSERT_TRUE(controller.appendBookmark({7, "seven", 1, 32, false}).has_value()); // cancelled, kept in memory
    EXPECT_TRUE(screen.matching("error:").empty());
    screen.answers = {{SaveLocationAnswer::Kind::ConfirmedWithoutLocation, {}}};
    ASSERT_TRUE(controller.renameBookmark(0, "x").has_value());
    const auto errors = screen.matching("error:");
    EXPECT_TRUE(errors.size() == 1 && errors[0].find("No location was chosen") != std::string::npos);
    EXPECT_TRUE(storeFiles().isEmpty());

    const QString chosen = dir + QStringLiteral("/chosen.json");
    screen.answers = {{SaveLocationAnswer::Kind::Confirmed, storeDir + QStringLiteral("/elsewhere.json")},
                      {SaveLocationAnswer::Kind::Confirmed, chosen}};
    ASSERT_TRUE(controller.renameBookmark(0, "seven").has_value());
    const auto asks = screen.matching("ask:");
    ASSERT_EQ(asks.size(), 4u); // the first answer was not writable either
    EXPECT_EQ(asks[0], "ask:Create a bookmarks file|Bookmarks file name|" + test::sha256Of(bytes) + ".json|" +
                           storeDir.toStdString() + "|json");
    EXPECT_EQ(storedNicknames(chosen), Names{"seven"});
    ASSERT_TRUE(controller.renameBookmark(0, "renamed").has_value());
    EXPECT_EQ(storedNicknames(chosen), Names{"renamed"});
    EXPECT_EQ(screen.matching("ask:").size(), 4u);
    open(randomBytes(4096, 4));
    EXPECT_TRUE(controller.jsonFileURL().startsWith(storeDir));
}

// An answer arriving after other data was opened saves the bookmarks of the data that asked,
// whatever was opened since; data whose save was refused meanwhile is asked about next.
TEST_F(ControllerTest, ALateAnswerSavesTheAskingDataOnlyThenTheOpenDataIsAsked)
{
    screen.answerLater = true;
    store->deniedPrefix = storeDir;
    open(bytes, QStringLiteral("x.img"));
    ASSERT_TRUE(controller.appendBookmark({3, "of x", 1, 32, false}).has_value());
    ASSERT_TRUE(controller.appendBookmark({4, "also of x", 1, 32, false}).has_value()); // no second question
    // A drop of x's old bookmarks file and two other data files while the question is open.
    controller.intake().processURLs({file("old.json", bookmarksOf(bytes, 5, "imported")),
                                     file("a.img", randomBytes(8192, 'a')), file("b.img", randomBytes(8192, 'b'))});
    ASSERT_TRUE(controller.intake().waitForIntake(60000));
    ASSERT_TRUE(controller.appendBookmark({6, "of b", 1, 32, false}).has_value());
    EXPECT_EQ(screen.matching("ask:").size(), 1u);

    const QString forX = dir + QStringLiteral("/x-bookmarks.json"), forB = dir + QStringLiteral("/b-bookmarks.json");
    std::exchange(screen.pending, {})({SaveLocationAnswer::Kind::Confirmed, forX});
    EXPECT_EQ(storedNicknames(forX), (Names{"of x", "also of x", "imported"}));
    ASSERT_EQ(screen.matching("ask:").size(), 2u);
    screen.pending({SaveLocationAnswer::Kind::Confirmed, forB});
    EXPECT_EQ(storedNicknames(forB), Names{"of b"});
    EXPECT_EQ(controller.jsonFileURL(), forB);
}

// Unencodable nicknames are returned (the edit stays in memory); without a window saves fail
// and nothing is shown.
TEST_F(ControllerTest, FailedSavesAreReturned)
{
    open(bytes);
    ASSERT_TRUE(controller.appendBookmark({1, "x", 1, 32, false}).has_value());
    EXPECT_EQ(failure(controller.renameBookmark(0, "bad \xFF")), Kind::EncodingFailed);

    screen.window = false;
    screen.clear();
    open(randomBytes(8192, 5));
    EXPECT_EQ(failure(controller.appendBookmark({1, "x", 1, 32, false})), Kind::NoWindow);
    controller.bookmarkChunk(chunkAt(0));
    EXPECT_TRUE(screen.matching("title:").empty() && screen.matching("error:").empty());
    EXPECT_EQ(storeFiles(), QStringList{BookmarkStore::fileNameFor(test::sha256Of(bytes))});
}

TEST_F(ControllerTest, TilesShowBeforeTheDigestAndEditsWaitForIt)
{
    controller.setBackgroundDigestThreshold(0);
    controller.setProgressThreshold(0);
    QSignalSpy ready(&controller, &DocumentController::digestReady);
    open(randomBytes(std::size_t{40} << 20, 6), QStringLiteral("first.img"));
    open(bytes, QStringLiteral("second.img")); // replaces the first before its digest is known
    EXPECT_TRUE(controller.isDigestPending());
    EXPECT_TRUE(controller.chunker().has_value());
    EXPECT_EQ(failure(controller.appendBookmark({1, "early", 1, 32, false})), Kind::DigestPending);

    ASSERT_TRUE(controller.waitForDigest(60000));
    ASSERT_TRUE(controller.appendBookmark({1, "late", 1, 32, false}).has_value());
    QCoreApplication::processEvents(); // a stale result of the first digest must not land
    EXPECT_EQ(ready.size(), 1);
    EXPECT_EQ(std::tie(controller.bookmarkFile()->sha256, controller.digest()),
              std::tuple(test::sha256Of(bytes), test::sha256Of(bytes)));
    EXPECT_EQ(std::pair(screen.matching("progress:").size(), screen.matching("progress-end").size()),
              std::pair(2ul, 2ul));
}

// --- The store against the real file system ------------------------------------------------
// What the controller does with each answer is proved above with a store that fails on purpose.
// The superuser ignores permissions, so as root each case runs again as an unprivileged user.
TEST_F(ControllerTest, AFolderOrFileThatMayNotBeWrittenIsReportedAsSuch)
{
    if (ranUnprivileged())
        return;
    const auto chmodPath = [](const QString& path, mode_t mode) {
        return ::chmod(QFile::encodeName(path).constData(), mode);
    };
    const BookmarkFile sample{"No description", std::string(64, 'c'), {{1, "one", 1, 32, false}}};
    const BookmarkStore real(storeDir);
    ASSERT_TRUE(real.ensureFolder());
    const QString path = real.pathFor(sample.sha256);
    ASSERT_TRUE(real.save(sample, path).has_value());
    EXPECT_TRUE(BookmarkStore::isWritableLocation(path));

    ASSERT_EQ(chmodPath(path, 0444), 0); // a read-only file in a writable folder is not replaced
    EXPECT_EQ(failure(real.save(sample, path)), Kind::PermissionDenied);
    ASSERT_EQ(chmodPath(path, 0644) + chmodPath(storeDir, 0555), 0);
    EXPECT_EQ(failure(real.save(sample, real.pathFor(std::string(64, 'd')))), Kind::PermissionDenied);
    EXPECT_FALSE(BookmarkStore::isWritableLocation(path));
    ASSERT_EQ(chmodPath(storeDir, 0755), 0);
    EXPECT_EQ(failure(real.save(sample, dir + QStringLiteral("/no/such/folder/x.json"))), Kind::WriteFailed);
}

// A save that does not fit on the disk leaves the old file byte for byte and says why.
TEST(BookmarkStoreFullDisk, TheOldFileStaysAndTheDiskIsFullIsReported)
{
    const SmallDisk disk;
    if (!disk.mounted())
        GTEST_SKIP() << disk.reason().toStdString();
    const BookmarkStore store(disk.folder());
    BookmarkFile file{"No description", std::string(64, 'e'), {}};
    for (std::int64_t i = 0; i < 40; ++i)
        file.bookmarks.push_back({i, "bookmark " + std::to_string(i), 1, 32, false});
    const QString path = store.pathFor(file.sha256);
    ASSERT_TRUE(store.save(file, path).has_value());
    const QByteArray before = readWholeFile(path);
    disk.fill();

    file.bookmarks.push_back({99, "one more", 1, 32, false});
    const auto saved = store.save(file, path);
    ASSERT_FALSE(saved.has_value());
    EXPECT_EQ(std::tie(saved.error().kind, saved.error().detail), std::tuple(Kind::WriteFailed, "The disk is full"));
    EXPECT_EQ(readWholeFile(path), before);
    EXPECT_EQ(QDir(disk.folder()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{QStringLiteral(".filler"), BookmarkStore::fileNameFor(file.sha256)}));
}

} // namespace
} // namespace pq::test
