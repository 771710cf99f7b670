#pragma once

#include "document/bookmark_store.h"
#include "document/document_controller.h"
#include "document/sha256_hex.h"
#include "recording_screen.h"
#include "test_support.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <memory>

namespace pq::test {

// The real store, with two faults that tests can switch on: a folder that may not be written
// (paths starting with deniedPrefix) and a disk that fails after some writes.
class FaultyStore : public BookmarkStore {
public:
    using BookmarkStore::BookmarkStore;
    QString deniedPrefix;
    int failAfterWrites = -1; // -1: never
    mutable int writes = 0;   // successful writes

    std::expected<void, DocumentError> save(const BookmarkFile& file, const QString& path) const override
    {
        if (!deniedPrefix.isEmpty() && path.startsWith(deniedPrefix))
            return std::unexpected(DocumentError{DocumentError::Kind::PermissionDenied, path, {}});
        if (failAfterWrites >= 0 && writes >= failAfterWrites)
            return std::unexpected(DocumentError{DocumentError::Kind::WriteFailed, path, QStringLiteral("No space left on device")});
        auto result = BookmarkStore::save(file, path);
        if (result)
            ++writes;
        return result;
    }
};

class ControllerTest : public ::testing::Test {
protected:
    QString dir = makeTempDir();
    QString storeDir = dir + QStringLiteral("/store");
    std::shared_ptr<FaultyStore> store = std::make_shared<FaultyStore>(storeDir);
    RecordingScreen screen;
    DocumentController controller{screen, store};

    std::vector<std::uint8_t> bytes = randomBytes(8192, 1);

    void open(const std::vector<std::uint8_t>& data, const QString& name = QStringLiteral("disk.img"))
    {
        controller.processReceivedFileData(FileData::fromBytes(data), dir + QLatin1Char('/') + name);
    }
    QString storePath(const std::vector<std::uint8_t>& data) const { return store->pathFor(sha256Hex(data)); }
    QStringList storeFiles() const { return QDir(storeDir).entryList(QDir::Files | QDir::Hidden); }
    StoredBookmarkFile onDisk(const QString& path) const { return BookmarkStore(storeDir).load(path); }
    void writeRaw(const QString& path, const QByteArray& content) const
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    Chunk chunkAt(std::int64_t offset) const { return *controller.chunker()->chunkAt(offset, false); }
};

inline std::vector<std::string> nicknames(const BookmarkFile& file)
{
    std::vector<std::string> out;
    for (const auto& b : file.bookmarks)
        out.push_back(b.nickname);
    return out;
}

} // namespace pq::test
