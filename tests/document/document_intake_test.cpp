#include "controller_fixture.h"

#include "document/document_intake.h"

namespace pq::test {
namespace {

using Outcome = ImportReport::Outcome;
using Names = std::vector<std::string>;

class IntakeTest : public ControllerTest {
protected:
    static QByteArray old(const std::vector<std::uint8_t>& data, std::int64_t at)
    {
        return bookmarksOf(data, {{at, "old", 1, 32, false}});
    }
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
    controller.setProgressThreshold(1);
    ASSERT_TRUE(intake({file("b.img", b), file("for-a.json", old(a, 64)), file("c.JSON", c),
                        file("for-b.json", old(b, 96))}));
    EXPECT_EQ(screen.matching("progress:Reading \u201Cb.img\u201D").size(), 1u); // large reads show progress
    EXPECT_EQ(log, (Names{imported("for-a.json", Outcome::Imported),
                                             imported("for-b.json", Outcome::OtherData), "open:b.img", "open:c.JSON"}));
    EXPECT_EQ(controller.bookmarkFile()->sha256, sha256Hex(c));
    EXPECT_EQ(storedNicknames(storePath(a)), Names{"old"});

    // With the data before it, a bookmarks file is imported against the data open before.
    log.clear();
    ASSERT_TRUE(intake({file("a.img", a), file("a.json", old(a, 8))}));
    EXPECT_EQ(log, (Names{imported("a.json", Outcome::OtherData), "open:a.img"}));
}

// The first file that cannot be read stops the batch, keeping what came before, and is shown
// in the window, naming the file.
TEST_F(IntakeTest, StopsAtTheFirstUnreadableFileAndShowsIt)
{
    const struct {
        QString path;
        FileReadError::Kind kind;
    } cases[] = {
        {dir + QStringLiteral("/missing.img"), FileReadError::Kind::NotFound},
        {file("empty.img", QByteArray()), FileReadError::Kind::Empty},
        {dir + QStringLiteral("/missing.json"), FileReadError::Kind::NotFound},
    };
    for (const auto& c : cases) {
        screen.clear();
        log.clear();
        const auto result = intake({file("a.img", randomBytes(4096, 14)), c.path, file("b.img", randomBytes(4096, 15))});
        EXPECT_EQ(result ? std::nullopt : std::optional(result.error().error.kind), c.kind) << c.path.toStdString();
        // a bookmarks file is read first, so nothing before it
        EXPECT_EQ(log, c.path.endsWith(".json") ? Names{} : Names{"open:a.img"});
        const auto shown = screen.matching("error:The file could not be opened|");
        EXPECT_TRUE(shown.size() == 1 && shown[0].find(c.path.toStdString()) != std::string::npos) << c.path.toStdString();
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

} // namespace
} // namespace pq::test
