#include "controller_fixture.h"

#include "document/bookmark_file_json.h"
#include "document/document_intake.h"

#include <QSignalSpy>

namespace pq::test {
namespace {

using Outcome = ImportReport::Outcome;

class IntakeTest : public ControllerTest {
protected:
    QString file(const QString& name, const QByteArray& content)
    {
        const QString path = dir + QLatin1Char('/') + name;
        writeRaw(path, content);
        return path;
    }
    QByteArray bytesOf(const std::vector<std::uint8_t>& data)
    {
        return QByteArray(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
    }
    QByteArray bookmarksOf(const std::vector<std::uint8_t>& data, std::int64_t offset)
    {
        return QByteArray::fromStdString(*encodeBookmarkFile({"Old", sha256Hex(data), {{offset, "old", 1, 32, false}}}));
    }

    // What happened, in order: "import:<name>:<outcome>" and "open:<name>".
    std::vector<std::string> log;
    void record()
    {
        QObject::connect(&controller, &DocumentController::importFinished, [this](const ImportReport& r) {
            log.push_back("import:" + QFileInfo(r.path).fileName().toStdString() + ":" + std::to_string(int(r.outcome)));
        });
        QObject::connect(&controller, &DocumentController::documentOpened,
                         [this] { log.push_back("open:" + controller.fileName().toStdString()); });
    }
};

std::string imported(const char* name, Outcome outcome) { return std::string("import:") + name + ":" + std::to_string(int(outcome)); }

// Both the reading on the calling thread and the reading in workers keep the same order and
// failure rules.
class IntakeOrder : public IntakeTest, public ::testing::WithParamInterface<bool> {
protected:
    std::expected<void, IntakeError> intake(const QStringList& paths)
    {
        std::optional<std::expected<void, IntakeError>> result;
        controller.intake().processURLs(paths, [&](const auto& r) { result = r; });
        EXPECT_TRUE(controller.intake().waitForIntake(60000));
        return result.value_or(std::unexpected(IntakeError{QStringLiteral("(no answer)"), {}}));
    }
};

TEST_P(IntakeOrder, BookmarksFilesComeFirstAndTheLastDataFileStaysOpen)
{
    record();
    const auto a = randomBytes(4096, 11), b = randomBytes(4096, 12), c = randomBytes(4096, 13);
    open(a, QStringLiteral("a.img"));
    log.clear();
    const QStringList paths{file("b.img", bytesOf(b)), file("for-a.json", bookmarksOf(a, 64)),
                            file("c.JSON", bytesOf(c)), file("for-b.json", bookmarksOf(b, 96))};
    ASSERT_TRUE(intake(paths).has_value());
    EXPECT_EQ(log, (std::vector<std::string>{imported("for-a.json", Outcome::Imported),
                                             imported("for-b.json", Outcome::OtherData), "open:b.img", "open:c.JSON"}));
    EXPECT_EQ(controller.fileName(), "c.JSON");
    EXPECT_EQ(controller.bookmarkFile()->sha256, sha256Hex(c));
    EXPECT_EQ(nicknames(onDisk(storePath(a)).file), std::vector<std::string>{"old"});
    EXPECT_FALSE(QFileInfo::exists(storePath(b)));
}

TEST_P(IntakeOrder, StopsAtTheFirstUnreadableFileKeepingWhatCameBefore)
{
    record();
    const auto a = randomBytes(4096, 14), b = randomBytes(4096, 15);
    const QString missing = dir + QStringLiteral("/missing.img");
    auto result = intake({file("a.img", bytesOf(a)), missing, file("b.img", bytesOf(b))});
    ASSERT_FALSE(result.has_value());
    EXPECT_EQ(result.error().path, missing);
    EXPECT_EQ(log, std::vector<std::string>{"open:a.img"});

    log.clear();
    result = intake({file("c.img", bytesOf(b)), dir + QStringLiteral("/x.json"), file("d.json", bookmarksOf(a, 1))});
    ASSERT_FALSE(result.has_value());
    EXPECT_EQ(log, std::vector<std::string>{}); // the unreadable bookmarks file stops everything
    EXPECT_EQ(controller.fileName(), "a.img");
}

// Whatever cannot be opened is shown in the window, naming the file.
TEST_P(IntakeOrder, AFileThatCannotBeOpenedIsShownInTheWindow)
{
    const struct {
        QString path;
        FileReadError::Kind kind;
    } cases[] = {
        {dir + QStringLiteral("/missing.img"), FileReadError::Kind::NotFound},
        {makeTempDir(), FileReadError::Kind::IsDirectory},
        {file("empty.img", {}), FileReadError::Kind::Empty},
        {QStringLiteral("/dev/null"), FileReadError::Kind::NotRegularFile},
    };
    for (const auto& c : cases) {
        screen.clear();
        const auto result = intake({c.path});
        ASSERT_FALSE(result.has_value()) << c.path.toStdString();
        EXPECT_EQ(result.error().error.kind, c.kind) << c.path.toStdString();
        const auto shown = screen.matching("error:The file could not be opened|");
        ASSERT_EQ(shown.size(), 1u) << c.path.toStdString();
        EXPECT_NE(shown[0].find(c.path.toStdString()), std::string::npos) << shown[0];
    }
    EXPECT_FALSE(controller.hasDocument());
}

TEST_P(IntakeOrder, AnImageDroppedWithItsBookmarksFileImportsAgainstThePreviousData)
{
    record();
    const auto a = randomBytes(4096, 16);
    ASSERT_TRUE(intake({file("a.img", bytesOf(a)), file("a.json", bookmarksOf(a, 8))}).has_value());
    EXPECT_EQ(log, (std::vector<std::string>{imported("a.json", Outcome::NoData), "open:a.img"}));
    EXPECT_TRUE(controller.bookmarkFile()->bookmarks.empty());
    ASSERT_TRUE(intake({file("a.json", bookmarksOf(a, 8)), file("a.img", bytesOf(a))}).has_value());
    EXPECT_EQ(nicknames(*controller.bookmarkFile()), std::vector<std::string>{"old"});
}

INSTANTIATE_TEST_SUITE_P(Reading, IntakeOrder, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "InWorkers" : "OnCallingThread"; });

TEST_F(IntakeTest, InWorkersABookmarksFileWaitsForTheDigestOfTheDataOpenedBefore)
{
    record();
    controller.setBackgroundDigestThreshold(0);
    const auto a = randomBytes(std::size_t{8} << 20, 17);
    controller.intake().processURLs({file("a.img", bytesOf(a))});
    controller.intake().processURLs({file("a.json", bookmarksOf(a, 5)), file("b.img", bytesOf(randomBytes(4096, 18)))});
    ASSERT_TRUE(controller.intake().waitForIntake(60000));
    EXPECT_EQ(log, (std::vector<std::string>{"open:a.img", imported("a.json", Outcome::Imported), "open:b.img"}));
    EXPECT_EQ(nicknames(onDisk(storePath(a)).file), std::vector<std::string>{"old"});
}

TEST_F(IntakeTest, LargeReadsShowProgress)
{
    controller.setProgressThreshold(1);
    controller.intake().processURLs({file("a.img", bytesOf(bytes))});
    ASSERT_TRUE(controller.intake().waitForIntake(60000));
    EXPECT_EQ(screen.matching("progress:Reading \u201Ca.img\u201D").size(), 1u);
    EXPECT_EQ(screen.matching("progress-end").size(), 1u);
}

TEST_F(IntakeTest, BatchesQueueUpAndABatchStartedWhenOneFinishesRunsOnce)
{
    record();
    const QString a = file("a.img", bytesOf(randomBytes(4096, 19)));
    const QString b = file("b.img", bytesOf(randomBytes(4096, 20)));
    const QString c = file("c.img", bytesOf(randomBytes(4096, 21)));
    int finished = 0;
    controller.intake().processURLs({a}, [&](const auto&) {
        ++finished;
        controller.intake().processURLs({c}, [&](const auto&) { ++finished; });
    });
    controller.intake().processURLs({b}, [&](const auto&) { ++finished; });
    ASSERT_TRUE(controller.intake().waitForIntake(60000));
    EXPECT_EQ(finished, 3);
    EXPECT_EQ(log, (std::vector<std::string>{"open:a.img", "open:b.img", "open:c.img"}));
}

} // namespace
} // namespace pq::test
