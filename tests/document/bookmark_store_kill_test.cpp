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

TEST(BookmarkStoreKill, AKilledSaveLeavesTheOldOrTheNewDocument)
{
    const QString folder = makeTempDir();
    const QString path = folder + QStringLiteral("/") + QString(64, QLatin1Char('f')) + QStringLiteral(".json");
    std::mt19937 rng(2024);
    int saw[2] = {0, 0}; // document A, document B
    qint64 pairMs = 0;   // how long the child takes for one save of each document
    for (int round = 0; round < 200; ++round) {
        QProcess child;
        QElapsedTimer clock;
        clock.start();
        child.start(QStringLiteral(PQ_SAVE_CHILD), {path, QString::number(kCount)});
        // Once the child reports its first pair of saves, it is saving again: kill it at a
        // random moment within the next two saves.
        ASSERT_TRUE(child.waitForStarted(30000) && child.waitForReadyRead(60000));
        pairMs = round == 0 ? std::max<qint64>(1, clock.elapsed()) : pairMs;
        QThread::usleep(std::uniform_int_distribution<unsigned long>(0, static_cast<unsigned long>(pairMs) * 1000)(rng));
        child.kill();
        ASSERT_TRUE(child.waitForFinished(30000));

        const StoredBookmarkFile stored = BookmarkStore(folder).load(path);
        ASSERT_EQ(stored.state, StoredBookmarkFile::State::Loaded) << "round " << round << ": " << stored.reason.toStdString();
        const auto& list = stored.file.bookmarks;
        const bool isB = stored.file.fullName == "B";
        ASSERT_TRUE(isB || stored.file.fullName == "A") << "round " << round;
        ASSERT_EQ(static_cast<long>(list.size()), kCount + isB) << "round " << round;
        for (long i = 0; i < kCount; ++i)
            ASSERT_EQ(list[static_cast<std::size_t>(i)].nickname, "bookmark number " + std::to_string(i));
        ASSERT_TRUE(!isB || list.back().nickname == "the last one");
        ++saw[isB];
    }
    EXPECT_TRUE(saw[0] > 0 && saw[1] > 0) << saw[0] << " times document A, " << saw[1] << " times B";
}

} // namespace
} // namespace pq::test
