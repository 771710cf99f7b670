// The store against the real file system's permissions (what the controller does with each
// answer is proved with a store that fails on purpose). The superuser ignores permissions, so
// as root each case runs again as an unprivileged user.
#include "controller_fixture.h"

#include <sys/stat.h>
#include <unistd.h>

namespace pq::test {
namespace {

using Kind = DocumentError::Kind;


TEST_F(ControllerTest, AFolderOrFileThatMayNotBeWrittenIsReportedAsSuch)
{
    if (ranUnprivileged())
        return;
    const auto chmodPath = [](const QString& path, mode_t mode) { return ::chmod(QFile::encodeName(path).constData(), mode); };
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
