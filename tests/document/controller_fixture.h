#pragma once

#include "sources/memory_byte_source.h"
#include "document/bookmark_file_json.h"
#include "document/bookmark_store.h"
#include "document/document_controller.h"
#include "document/document_screen.h"
#include "test_support.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <deque>
#include <memory>

namespace pq::test {

using Names = std::vector<std::string>;

// Records every call of the controller as one line ("title:data.bin", "select:2", ...) and
// answers save-location questions from a queue (Cancelled when it is empty), or keeps the
// answer function for later, as a window-modal dialog does.
class RecordingScreen : public DocumentScreen {
public:
    bool window = true;
    std::vector<std::string> events;
    std::deque<SaveLocationAnswer> answers;
    bool answerLater = false;
    std::function<void(const SaveLocationAnswer&)> pending;
    std::deque<PartChoice> partAnswers; // Cancelled when empty
    std::deque<bool> largePartAnswers;   // yes when empty

    bool hasWindow() const override { return window; }
    void showError(const QString& title, const QString& text) override { add("error:" + title + "|" + text); }
    void showInformation(const QString& title, const QString& text) override { add("info:" + title + "|" + text); }
    void showStatus(const QString& text) override { add("status:" + text); }
    void askSaveLocation(const SaveLocationRequest& r, std::function<void(const SaveLocationAnswer&)> answer) override
    {
        add("ask:" + r.title + "|" + r.nameFieldLabel + "|" + r.suggestedFileName + "|" + r.folder + "|" + r.allowedSuffix);
        if (answerLater)
            return void(pending = std::move(answer));
        answer(next(answers, {}));
    }
    void choosePart(const QString& fileName, const std::vector<PartRow>& rows, std::function<void(PartChoice)> answer) override
    {
        QStringList listed;
        for (const PartRow& r : rows)
            listed << QStringLiteral("%1 %2 %3 %4 %5").arg(r.name, r.kind).arg(r.size).arg(r.type, r.creator);
        add("parts:" + fileName + "|" + listed.join(QLatin1Char(';')));
        answer(next(partAnswers, {}));
    }
    bool confirmLargePart(const LargePartQuestion& q) override
    {
        add(QStringLiteral("large:%1|%2|%3|%4|%5")
                .arg(q.fileName, q.partLabel)
                .arg(q.bytes)
                .arg(q.folder, q.freeBytes > 0 ? QStringLiteral("free") : QStringLiteral("full")));
        return next(largePartAnswers, true);
    }
    void refreshBookmarks() override { add("refresh"); }
    void selectBookmarkRow(int row) override { add("select:" + QString::number(row)); }
    void scrollToBookmarkRow(int row) override { add("scroll:" + QString::number(row)); }
    void resetBrowserSettings() override { add("reset"); }
    void reloadBrowserFromFirstTile() override { add("reload"); }
    void setWindowTitle(const QString& title) override { add("title:" + title); }
    void setHintVisible(bool visible) override { add(visible ? "hint:shown" : "hint:hidden"); }
    void beginProgress(const QString& label, std::function<void()>) override { add("progress:" + label); }
    void endProgress() override { add("progress-end"); }

    // Events whose text starts with `prefix`.
    std::vector<std::string> matching(const std::string& prefix) const
    {
        std::vector<std::string> out;
        std::ranges::copy_if(events, std::back_inserter(out), [&](const auto& e) { return e.starts_with(prefix); });
        return out;
    }
    void clear() { events.clear(); }

private:
    void add(const QString& text) { events.push_back(text.toStdString()); }
    // The first queued answer, taken off the queue; `otherwise` when it is empty.
    template <typename T>
    static T next(std::deque<T>& queue, T otherwise)
    {
        if (!queue.empty())
            otherwise = std::move(queue.front()), queue.pop_front();
        return otherwise;
    }
};

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
            return std::unexpected(
                DocumentError{DocumentError::Kind::WriteFailed, path, QStringLiteral("No space left on device")});
        auto result = BookmarkStore::save(file, path);
        writes += result.has_value();
        return result;
    }
};

// The kind of a refused edit or save; none when it was made.
inline std::optional<DocumentError::Kind> failure(const std::expected<void, DocumentError>& result)
{
    return result ? std::nullopt : std::optional(result.error().kind);
}

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
        controller.processReceivedSource(memorySource(data), dir + QLatin1Char('/') + name);
    }
    QString storePath(const std::vector<std::uint8_t>& data) const { return store->pathFor(test::sha256Of(data)); }
    QStringList storeFiles() const { return QDir(storeDir).entryList(QDir::Files | QDir::Hidden); }
    StoredBookmarkFile onDisk(const QString& path) const { return BookmarkStore(storeDir).load(path); }
    Names storedNicknames(const QString& path) const { return nicknames(onDisk(path).file); }
    // Writes `content` into `path` (its folders made as needed) and returns the path.
    static QString writeRaw(const QString& path, const QByteArray& content)
    {
        QFile f(path);
        EXPECT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()) && f.open(QIODevice::WriteOnly) &&
                    f.write(content) == content.size());
        return path;
    }
    QString file(const QString& name, const QByteArray& content) const
    {
        return writeRaw(dir + QLatin1Char('/') + name, content);
    }
    QString file(const QString& name, const std::vector<std::uint8_t>& data) const
    {
        return file(name, QByteArray(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size())));
    }
    // An old bookmarks file of `data`, written by the program's own encoder.
    static QByteArray bookmarksOf(const std::vector<std::uint8_t>& data, std::vector<Bookmark> list)
    {
        return QByteArray::fromStdString(*encodeBookmarkFile({"Old", test::sha256Of(data), std::move(list)}));
    }
    static QByteArray bookmarksOf(const std::vector<std::uint8_t>& data, std::int64_t offset, const char* name = "old")
    {
        return bookmarksOf(data, {{offset, name, 1, 32, false}});
    }
    Chunk chunkAt(std::int64_t offset) const { return *controller.chunker()->chunkAt(offset, false); }

    static Names nicknames(const BookmarkFile& file)
    {
        Names out;
        for (const auto& b : file.bookmarks)
            out.push_back(b.nickname);
        return out;
    }
};

} // namespace pq::test
