// A process killed while it saves a bookmarks file leaves the complete old or the complete new
// document, never a mix or an empty file.
#include "document/bookmark_store.h"

#include "test_support.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <random>

namespace pq::test {
namespace {

constexpr long kCount = 2000; // about 250 kB of JSON, far more than a real bookmarks file
constexpr int kRounds = 200;

TEST(BookmarkStoreKill, AKilledSaveLeavesTheOldOrTheNewDocument)
{
    const QString folder = makeTempDir();
    const QString path = folder + QStringLiteral("/") + QString(64, QLatin1Char('f')) + QStringLiteral(".json");
    std::mt19937 rng(2024);
    int sawA = 0, sawB = 0;
    qint64 pairMs = 0; // how long the child takes for one save of each document
    for (int round = 0; round < kRounds; ++round) {
        QProcess child;
        QElapsedTimer clock;
        clock.start();
        child.start(QStringLiteral(PQ_SAVE_CHILD), {path, QString::number(kCount)});
        ASSERT_TRUE(child.waitForStarted(30000));
        // Once the child reports its first pair of saves, it is saving again: kill it at a
        // random moment within the next two saves.
        ASSERT_TRUE(child.waitForReadyRead(60000));
        if (round == 0)
            pairMs = std::max<qint64>(1, clock.elapsed());
        QThread::usleep(std::uniform_int_distribution<unsigned long>(0, static_cast<unsigned long>(pairMs) * 1000)(rng));
        child.kill();
        ASSERT_TRUE(child.waitForFinished(30000));

        const StoredBookmarkFile stored = BookmarkStore(folder).load(path);
        ASSERT_EQ(stored.state, StoredBookmarkFile::State::Loaded) << "round " << round << ": " << stored.reason.toStdString();
        const BookmarkFile& file = stored.file;
        const bool isA = file.fullName == "A";
        ASSERT_TRUE(isA || file.fullName == "B") << "round " << round;
        ASSERT_EQ(static_cast<long>(file.bookmarks.size()), isA ? kCount : kCount + 1) << "round " << round;
        for (long i = 0; i < kCount; ++i)
            ASSERT_EQ(file.bookmarks[static_cast<std::size_t>(i)].nickname, "bookmark number " + std::to_string(i));
        if (!isA) {
            ASSERT_EQ(file.bookmarks.back().nickname, "the last one");
        }
        (isA ? sawA : sawB)++;
    }
    RecordProperty("documentA", sawA);
    RecordProperty("documentB", sawB);
    std::printf("after %d kills: %d times document A, %d times document B (a pair of saves: %lld ms)\n", kRounds, sawA,
                sawB, static_cast<long long>(pairMs));
    EXPECT_GT(sawA, 0);
    EXPECT_GT(sawB, 0);
}

} // namespace
} // namespace pq::test
