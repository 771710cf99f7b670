// The store against the real file system's permissions (what the controller does with each
// answer is proved with a store that fails on purpose). The superuser ignores permissions, so
// as root each case runs again as an unprivileged user.
#include "controller_fixture.h"

#include <sys/stat.h>
#include <unistd.h>

namespace pq::test {
namespace {

class StorePermissions : public ControllerTest {
protected:
    void chmodPath(const QString& path, mode_t mode) { ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0); }
    const BookmarkFile sample{"No description", std::string(64, 'c'), {{1, "one", 1, 32, false}}};
};

TEST_F(StorePermissions, AFolderOrFileThatMayNotBeWrittenIsReportedAsSuch)
{
    if (ranUnprivileged())
        return;
    const BookmarkStore real(storeDir);
    ASSERT_TRUE(real.ensureFolder());
    const QString path = real.pathFor(sample.sha256);
    ASSERT_TRUE(real.save(sample, path).has_value());
    EXPECT_TRUE(BookmarkStore::isWritableLocation(path));

    chmodPath(path, 0444); // a read-only file in a writable folder is not replaced
    auto readOnlyFile = real.save(sample, path);
    chmodPath(path, 0644);
    ASSERT_FALSE(readOnlyFile.has_value());
    EXPECT_EQ(readOnlyFile.error().kind, DocumentError::Kind::PermissionDenied);

    chmodPath(storeDir, 0555);
    auto readOnlyFolder = real.save(sample, real.pathFor(std::string(64, 'd')));
    EXPECT_FALSE(BookmarkStore::isWritableLocation(path));
    chmodPath(storeDir, 0755);
    ASSERT_FALSE(readOnlyFolder.has_value());
    EXPECT_EQ(readOnlyFolder.error().kind, DocumentError::Kind::PermissionDenied);

    auto missingFolder = real.save(sample, dir + QStringLiteral("/no/such/folder/x.json"));
    ASSERT_FALSE(missingFolder.has_value());
    EXPECT_EQ(missingFolder.error().kind, DocumentError::Kind::WriteFailed);
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
    EXPECT_EQ(saved.error().kind, DocumentError::Kind::WriteFailed);
    EXPECT_EQ(saved.error().detail, QStringLiteral("The disk is full"));
    EXPECT_EQ(readWholeFile(path), before);
    EXPECT_EQ(QDir(disk.folder()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{QStringLiteral(".filler"), BookmarkStore::fileNameFor(file.sha256)}));
}

} // namespace
} // namespace pq::test
