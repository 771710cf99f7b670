#include "controller_fixture.h"

#include "document/document_intake.h"

#include <QSignalSpy>
#include <QStandardPaths>

namespace pq::test {
namespace {

using Outcome = ImportReport::Outcome;

class IntakeTest : public ControllerTest {
protected:
    std::expected<void, IntakeError> intake(const QStringList& paths)
    {
        std::optional<std::expected<void, IntakeError>> result;
        controller.intake().processURLs(paths, [&](const auto& r) { result = r; });
        EXPECT_TRUE(controller.intake().waitForIntake(60000));
        return result.value_or(std::unexpected(IntakeError{QStringLiteral("(no answer)"), {}}));
    }

    // What happened, in order: "import:<name>:<outcome>" and "open:<name>".
    Names log;
    void SetUp() override
    {
        QObject::connect(&controller, &DocumentController::importFinished, [this](const ImportReport& r) {
            log.push_back(imported(QFileInfo(r.path).fileName().toStdString(), r.outcome));
        });
        QObject::connect(&controller, &DocumentController::documentOpened,
                         [this] { log.push_back("open:" + controller.fileName().toStdString()); });
    }
    static std::string imported(const std::string& name, Outcome outcome)
    {
        return "import:" + name + ":" + std::to_string(int(outcome));
    }
};

TEST_F(IntakeTest, BookmarksFilesComeFirstAndTheLastDataFileStaysOpen)
{
    const auto a = randomBytes(4096, 11), b = randomBytes(4096, 12), c = randomBytes(4096, 13);
    open(a, QStringLiteral("a.img"));
    log.clear();
    ASSERT_TRUE(intake({file("b.img", b), file("for-a.json", bookmarksOf(a, 64)), file("c.JSON", c),
                        file("for-b.json", bookmarksOf(b, 96))}));
    EXPECT_EQ(log, (Names{imported("for-a.json", Outcome::Imported),
                                             imported("for-b.json", Outcome::OtherData), "open:b.img", "open:c.JSON"}));
    EXPECT_EQ(controller.bookmarkFile()->sha256, test::sha256Of(c));
    EXPECT_EQ(storedNicknames(storePath(a)), Names{"old"});

    // With the data before it, a bookmarks file is imported against the data open before.
    log.clear();
    ASSERT_TRUE(intake({file("a.img", a), file("a.json", bookmarksOf(a, 8))}));
    EXPECT_EQ(log, (Names{imported("a.json", Outcome::OtherData), "open:a.img"}));
}

// The first file that cannot be read stops the batch, keeping what came before, and is shown
// in the window, naming the file.
TEST_F(IntakeTest, StopsAtTheFirstUnreadableFileAndShowsIt)
{
    for (const char* name : {"missing.img", "missing.json"}) {
        const QString path = dir + QLatin1Char('/') + QLatin1String(name);
        screen.clear();
        log.clear();
        const auto result = intake({file("a.img", randomBytes(4096, 14)), path, file("b.img", randomBytes(4096, 15))});
        EXPECT_EQ(result ? std::nullopt : std::optional(result.error().error.kind), ReadError::Kind::NotFound) << name;
        // a bookmarks file is read first, so nothing before it
        EXPECT_EQ(log, path.endsWith(".json") ? Names{} : Names{"open:a.img"});
        const auto shown = screen.matching("error:The file could not be opened|");
        EXPECT_TRUE(shown.size() == 1 && shown[0].find(path.toStdString()) != std::string::npos) << name;
    }
}

TEST_F(IntakeTest, BatchesQueueUpAndABatchStartedWhenOneFinishesRunsOnce)
{
    const QString a = file("a.img", randomBytes(4096, 19)), b = file("b.img", randomBytes(4096, 20)),
                  c = file("c.img", randomBytes(4096, 21));
    int finished = 0;
    controller.intake().processURLs({a}, [&](const auto&) {
        ++finished;
        controller.intake().processURLs({c}, [&](const auto&) { ++finished; });
    });
    controller.intake().processURLs({b}, [&](const auto&) { ++finished; });
    ASSERT_TRUE(controller.intake().waitForIntake(60000));
    EXPECT_EQ(finished, 3);
    EXPECT_EQ(log, (Names{"open:a.img", "open:b.img", "open:c.img"}));
}

// --- Wrapped files ----------------------------------------------------------------------------

class WrappedIntakeTest : public IntakeTest {
protected:
    const std::vector<std::uint8_t> a = randomBytes(20000, 40), b = randomBytes(3000, 41);
    // Wraps a.img and b.img with the Debian tools: gzip, BinHex (macutils) and zip.
    void SetUp() override
    {
        IntakeTest::SetUp();
        file("a.img", a);
        file("b.img", b);
        const QString command = QStringLiteral("cd '%1' && gzip -k a.img && binhex -r -t ICN_ -c PQTS b.img > b.hqx && "
                                               "zip -q two.zip a.img b.img")
                                    .arg(dir);
        ASSERT_EQ(std::system(command.toLocal8Bit().constData()), 0);
    }
    QString at(const char* name) const { return dir + QLatin1Char('/') + QLatin1String(name); }
    std::vector<std::uint8_t> raw(const char* name) const
    {
        const QByteArray content = readWholeFile(at(name));
        return {content.begin(), content.end()};
    }
    // Opens in a mode and returns what the title said; the digest is known after it.
    Names openIn(const char* name, DocumentIntake::OpenMode mode = DocumentIntake::OpenMode::Unwrap)
    {
        screen.clear();
        if (mode == DocumentIntake::OpenMode::Unwrap) {
            EXPECT_TRUE(intake({at(name)}));
        } else {
            controller.intake().reopen(mode);
            EXPECT_TRUE(controller.intake().waitForIntake(60000));
        }
        EXPECT_TRUE(controller.waitForDigest(60000));
        return screen.matching("title:");
    }
};

// The part that stands out opens at once, titled by the way in; its bookmarks are those of
// the same bytes opened bare. A damaged wrapper opens as its raw bytes, the layer named.
TEST_F(WrappedIntakeTest, OpensThePartThatStandsOutOrTheRawBytesOfADamagedWrapper)
{
    QByteArray cut = readWholeFile(at("a.img.gz"));
    cut.chop(100);
    file("cut.gz", cut); // the wrapper's faults are the container layer's to tell apart
    const struct {
        const char* file;
        const char* title;
        std::vector<std::uint8_t> browsed;
        const char* status; // empty: none
    } cases[] = {
        {"a.img", "a.img", a, ""},
        {"a.img.gz", "a.img.gz \u25B8 a.img", a, ""},
        {"b.hqx", "b.hqx \u25B8 resource fork", b, ""},
        {"cut.gz", "cut.gz", raw("cut.gz"), "status:\u201Ccut.gz\u201D could not be unwrapped (gzip stream ends early)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(openIn(c.file), Names{std::string("title:") + c.title});
        EXPECT_EQ(controller.jsonFileURL(), storePath(c.browsed)) << c.file;
        const auto status = screen.matching("status:");
        EXPECT_TRUE(*c.status ? status.size() == 1 && status[0].starts_with(c.status) : status.empty())
            << c.file << ": " << (status.empty() ? "" : status[0]);
        EXPECT_EQ(controller.origin().wrapper, c.file != std::string("a.img")) << c.file;
    }
}

// Equal parts are offered (also on request for a wrapper whose part stands out); the answer
// opens a part, the raw bytes or nothing. Large decodes show progress.
TEST_F(WrappedIntakeTest, AsksWhichPartAndOpensTheAnswer)
{
    using Kind = PartChoice::Kind;
    using Mode = DocumentIntake::OpenMode;
    const std::string zipParts = "parts:two.zip|a.img member 20000  ;b.img member 3000  ";
    const struct {
        const char* file;
        Mode mode;
        PartChoice answer;
        std::string asked;
        const char* title; // empty: nothing opened
        std::vector<std::uint8_t> browsed;
    } cases[] = {
        {"two.zip", Mode::Unwrap, {Kind::Part, 1}, zipParts, "two.zip \u25B8 b.img", b},
        {"two.zip", Mode::Unwrap, {Kind::RawBytes}, zipParts, "two.zip", raw("two.zip")},
        {"two.zip", Mode::Unwrap, {Kind::Cancelled}, zipParts, "", {}},
        {"b.hqx", Mode::AskParts, {Kind::Part, 0}, "parts:b.hqx|b.img data fork 0 ICN_ PQTS;b.img resource fork 3000 ICN_ PQTS",
         "b.hqx \u25B8 data fork", {}},
        {"a.img.gz", Mode::RawBytes, {}, "", "a.img.gz", raw("a.img.gz")},
    };
    controller.setProgressThreshold(0);
    for (const auto& c : cases) {
        if (c.mode != Mode::Unwrap)
            openIn(c.file);
        screen.partAnswers = {c.answer};
        const Names titles = openIn(c.file, c.mode);
        EXPECT_EQ(screen.matching("parts:"), c.asked.empty() ? Names{} : Names{c.asked}) << c.file;
        EXPECT_EQ(titles, *c.title ? Names{std::string("title:") + c.title} : Names{}) << c.file;
        if (*c.title) {
            EXPECT_EQ(controller.digest(), sha256Of(c.browsed)) << c.title;
        }
    }
    openIn("a.img.gz");
    EXPECT_EQ(screen.matching("progress"), (Names{"progress:Opening \u201Ca.img.gz\u201D\u2026", "progress-end"}));
}

// A part decoding past the large-part threshold is asked about first, whether it stands out or
// was chosen, naming its size, the cache folder and its free space; no opens nothing and says so.
TEST_F(WrappedIntakeTest, AsksBeforeDecodingALargePartAndNoOpensNothing)
{
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    const struct {
        const char* file;
        bool yes;
        std::string asked;
        const char* title; // empty: nothing opened
    } cases[] = {
        {"a.img.gz", false, "large:a.img.gz|gzip|20000|" + cache.toStdString() + "|free", ""},
        {"a.img.gz", true, "large:a.img.gz|gzip|20000|" + cache.toStdString() + "|free", "a.img.gz \u25B8 a.img"},
        {"deflated.zip", false, "large:deflated.zip|zip member \"c.img\"|20000|" + cache.toStdString() + "|free", ""},
        {"b.hqx", false, "", "b.hqx \u25B8 resource fork"}, // 3000 bytes: not asked
    };
    file("c.img", std::vector<std::uint8_t>(20000, 7));
    ASSERT_EQ(std::system(QStringLiteral("cd '%1' && zip -q deflated.zip c.img b.img").arg(dir).toLocal8Bit().constData()), 0);
    controller.intake().setLargePartThreshold(10000);
    for (const auto& c : cases) {
        screen.largePartAnswers = {c.yes};
        screen.partAnswers = {{PartChoice::Kind::Part, 0}};
        screen.clear();
        EXPECT_TRUE(intake({at(c.file)}));
        EXPECT_EQ(screen.matching("large:"), c.asked.empty() ? Names{} : Names{c.asked}) << c.file;
        EXPECT_EQ(screen.matching("title:"), *c.title ? Names{std::string("title:") + c.title} : Names{}) << c.file;
        const Names cancelled{"status:Opening \u201C" + std::string(c.file) + "\u201D was cancelled."};
        EXPECT_EQ(screen.matching("status:"), *c.title ? Names{} : cancelled) << c.file;
    }
    EXPECT_EQ(QDir(cache).entryList(QDir::Files | QDir::Hidden), QStringList()); // decoded parts leave nothing
}

// --- Imports of old bookmarks files ---------------------------------------------------------

class ImportTest : public ControllerTest {
protected:
    const std::string kImported =
        "info:Bookmarks Imported|Your existing bookmarks have been imported successfully. If you wish, you may now "
        "delete the old bookmarks file named \"old bookmarks.json\".";

    ImportReport import(const QByteArray& content)
    {
        return controller.processJSON(content, dir + QStringLiteral("/sub/old bookmarks.json"));
    }
};

// A failed save imports nothing and says why. Otherwise new bookmarks are appended in order,
// exactly as read, with one save; present ones are revealed; the imported file's name is never
// used. Nothing new: nothing written, still reported.
TEST_F(ImportTest, AppendsNewBookmarksInOrderWithOneSaveAndRevealsPresentOnes)
{
    open(bytes);
    ASSERT_TRUE(controller.appendBookmark({10, "held", 1, 32, false}).has_value());
    const QByteArray old = bookmarksOf(bytes, {{20, "twenty", 4, 64, true}, {10, "held again", 1, 32, true},
                                               {30, "thirty", 8, 256, false}});
    store->failAfterWrites = 1;
    const auto failed = import(old);
    EXPECT_EQ(std::tuple(failed.added, failed.failure.value_or(DocumentError{}).detail),
              std::tuple(0, "No space left on device"));
    EXPECT_EQ(nicknames(*controller.bookmarkFile()), Names{"held"});
    EXPECT_EQ(
        screen.matching("error:The import stopped|None of the 2 new bookmarks of \u201Cold bookmarks.json\u201D").size(),
        1u);

    store->failAfterWrites = -1;
    screen.clear();
    const auto report = import(old);
    EXPECT_EQ(std::tuple(report.outcome, report.added, report.present), std::tuple(Outcome::Imported, 2, 1));
    EXPECT_EQ(store->writes, 2);
    auto disk = onDisk(storePath(bytes)).file;
    EXPECT_EQ(nicknames(disk), (Names{"held", "twenty", "thirty"}));
    EXPECT_EQ(std::tie(disk.bookmarks[1].hasMask, disk.fullName), std::tuple(true, "No description"));
    EXPECT_EQ(screen.events, (Names{"select:0", "scroll:0", "refresh", "scroll:2", kImported, "refresh"}));

    screen.clear();
    EXPECT_EQ(import(bookmarksOf(bytes, {{30, "x", 8, 256, false}})).present, 1);
    EXPECT_EQ(screen.events, (Names{"select:2", "scroll:2", kImported, "refresh"}));
    EXPECT_EQ(store->writes, 2);
}

// Files of other data, unreadable files and imports with nothing open change nothing and show
// no alert; the status line says which check failed. Into data whose stored file cannot be
// read, an import is refused with a message.
TEST_F(ImportTest, OtherDataUnreadableFilesOrNoDataChangeNothingSilently)
{
    const std::string upper = QString::fromStdString(test::sha256Of(bytes)).toUpper().toStdString();
    const struct {
        QByteArray content;
        Outcome outcome;
        const char* why; // what the status line says; empty: no status line
    } cases[] = {
        {bookmarksOf(bytes, 1, "n"), Outcome::NoData, ""},
        {bookmarksOf(randomBytes(100, 42), 1, "n"), Outcome::OtherData, "holds the bookmarks of other data (digest "},
        {QByteArray::fromStdString(*encodeBookmarkFile({"x", upper, {}})), Outcome::OtherData, "other data"},
        {"{\"fullName\"", Outcome::Unreadable, "not a bookmarks file and was not imported: it is not valid JSON"},
    };
    for (const auto& c : cases) {
        if (c.outcome != Outcome::NoData)
            open(bytes);
        screen.clear();
        EXPECT_EQ(import(c.content).outcome, c.outcome) << c.why;
        const auto status = screen.matching("status:");
        EXPECT_EQ(screen.events.size(), status.size()) << c.why; // nothing else shown
        EXPECT_TRUE(!*c.why || (status.size() == 1 && status[0].find(c.why) != std::string::npos)) << c.why;
    }
    EXPECT_EQ(store->writes, 0);

    writeRaw(storePath(bytes), "not json");
    open(bytes);
    EXPECT_EQ(import(bookmarksOf(bytes, 1, "one")).outcome, Outcome::NotStored);
    EXPECT_EQ(screen.matching("error:The bookmarks file cannot be read").size(), 1u);
    EXPECT_EQ(readWholeFile(storePath(bytes)), "not json");
}

// An import while the digest is pending waits for it, and still belongs to its data when
// other data is opened meanwhile: it is merged into that data's stored file.
TEST_F(ImportTest, WaitsForTheDigestOfItsData)
{
    controller.setBackgroundDigestThreshold(0);
    QSignalSpy finished(&controller, &DocumentController::importFinished);
    open(bytes);
    EXPECT_EQ(import(bookmarksOf(bytes, 1, "one")).outcome, Outcome::Deferred);
    EXPECT_EQ(finished.size(), 0);
    ASSERT_TRUE(controller.waitForDigest(60000));
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished[0][0].value<ImportReport>().added, 1);
    EXPECT_EQ(storedNicknames(storePath(bytes)), Names{"one"});

    const auto big = randomBytes(std::size_t{24} << 20, 31);
    open(big);
    EXPECT_EQ(import(bookmarksOf(big, 2, "two")).outcome, Outcome::Deferred);
    open(bytes, QStringLiteral("next.img"));
    EXPECT_EQ(finished.size(), 1); // opening did not wait for the previous data's digest
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_EQ(finished[1][0].value<ImportReport>().outcome, Outcome::Imported);
    EXPECT_EQ(storedNicknames(storePath(big)), Names{"two"});
    ASSERT_TRUE(controller.waitForDigest(60000));
    EXPECT_EQ(nicknames(*controller.bookmarkFile()), Names{"one"});
}

} // namespace
} // namespace pq::test
