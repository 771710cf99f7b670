// The document controller's intake: files handed over by drop, open dialog or the operating
// system, and the import of bookmarks files kept elsewhere.
#include "document/document_controller.h"

#include "document/bookmark_file_json.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QThreadPool>
#include <QTimer>

#include <map>
#include <tuple>
#include <utility>

namespace pq {

struct DocumentController::IntakeBatch {
    QStringList paths; // bookmarks files first, then data files, each in the given order
    qsizetype bookmarksFiles = 0;
    qsizetype next = 0;
    bool waitingForImport = false;
    IntakeDone done;
};

namespace {

// Only the exact, lower-case extension "json" makes a bookmarks file.
bool isBookmarksFilePath(const QString& path) { return QFileInfo(path).suffix() == QStringLiteral("json"); }

// Bookmarks files first, each group keeping the given order; returns the number of
// bookmarks files.
qsizetype sortIntake(const QStringList& paths, QStringList& sorted)
{
    for (const QString& path : paths)
        if (isBookmarksFilePath(path))
            sorted << path;
    const qsizetype count = sorted.size();
    for (const QString& path : paths)
        if (!isBookmarksFilePath(path))
            sorted << path;
    return count;
}

// A bookmarks file larger than any real one is not read into memory: it is handed over as
// empty bytes, which the import then finds unreadable.
std::expected<std::shared_ptr<const FileData>, FileReadError> readIntakeFile(const QString& path, bool bookmarksFile,
                                                                              const FileData::Progress& progress)
{
    if (bookmarksFile) {
        const QFileInfo info(path);
        if (info.isFile() && info.size() > kMaxBookmarkFileBytes)
            return FileData::fromBytes(std::vector<std::uint8_t>{});
    }
    auto data = FileData::readFile(QFile::encodeName(path).toStdString(), progress);
    if (data && !bookmarksFile && (*data)->size() == 0)
        return std::unexpected(FileReadError{FileReadError::Kind::Empty, 0});
    return data;
}

QByteArray toByteArray(const FileData& data)
{
    return QByteArray(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
}

} // namespace

// --- Import --------------------------------------------------------------------------------

ImportReport DocumentController::processJSON(const QByteArray& data, const QString& path)
{
    ImportReport report;
    report.path = path;
    auto decoded = decodeBookmarkFile(std::string_view(data.constData(), static_cast<std::size_t>(data.size())));
    if (!decoded) {
        report.outcome = ImportReport::Outcome::Unreadable;
        report.readError = decoded.error().message();
        m_screen.showStatus(QStringLiteral("\u201C%1\u201D is not a bookmarks file and was not imported: %2.")
                                .arg(QFileInfo(path).fileName(), QString::fromStdString(report.readError)));
    } else if (!m_fileData) {
        report.outcome = ImportReport::Outcome::NoData;
    } else if (m_state == BookmarkFileState::DigestPending) {
        // The open data's digest is not known yet: the import runs as soon as it is.
        m_deferredImports.emplace_back(data, path);
        report.outcome = ImportReport::Outcome::Deferred;
        report.total = static_cast<std::int64_t>(decoded->bookmarks.size());
        return report;
    } else {
        report = importNow(*decoded, path);
    }
    emit importFinished(report);
    return report;
}

ImportReport DocumentController::importNow(const BookmarkFile& file, const QString& path)
{
    ImportReport report;
    report.path = path;
    report.total = static_cast<std::int64_t>(file.bookmarks.size());
    const QString name = QFileInfo(path).fileName();
    if (!m_digest || file.sha256 != *m_digest) {
        report.outcome = ImportReport::Outcome::OtherData;
        report.fileDigest = file.sha256;
        m_screen.showStatus(QStringLiteral("\u201C%1\u201D holds the bookmarks of other data (digest %2, not %3) and was "
                                           "not imported.")
                                .arg(name, QString::fromStdString(file.sha256),
                                     QString::fromStdString(m_digest.value_or(std::string()))));
        return report;
    }
    auto lock = beginEdit(); // held until the merged file is saved
    if (!lock) {
        report.outcome = ImportReport::Outcome::NotStored;
        report.failure = lock.error();
        displayError(lock.error());
        return report;
    }
    report.outcome = ImportReport::Outcome::Imported;
    // Merged in memory and saved once: a failed save leaves the held bookmarks as on disk.
    BookmarkFile merged = *m_bookmarkFile;
    std::map<std::tuple<std::int64_t, std::int64_t, std::int64_t>, int> rows; // the first row of each key
    auto keyTuple = [](const Bookmark& b) { return std::tuple(b.offset, b.bitDepth, b.widthInBits); };
    for (std::size_t row = 0; row < merged.bookmarks.size(); ++row)
        rows.emplace(keyTuple(merged.bookmarks[row]), static_cast<int>(row));
    for (const Bookmark& bookmark : file.bookmarks) {
        const auto [held, isNew] = rows.emplace(keyTuple(bookmark), static_cast<int>(merged.bookmarks.size()));
        if (!isNew) { // a bookmark with this key is held already: its row is revealed
            ++report.present;
            m_screen.selectBookmarkRow(held->second);
            m_screen.scrollToBookmarkRow(held->second);
            continue;
        }
        merged.bookmarks.push_back(bookmark);
        ++report.added;
    }
    if (report.added > 0) {
        const int firstNew = static_cast<int>(m_bookmarkFile->bookmarks.size());
        const BookmarkFile before = std::exchange(*m_bookmarkFile, std::move(merged));
        if (auto saved = saveBookmarkFile(); !saved) {
            *m_bookmarkFile = before;
            report.failure = saved.error();
            report.added = 0;
        } else {
            emit bookmarksInserted(firstNew, static_cast<int>(m_bookmarkFile->bookmarks.size()) - 1);
            m_screen.refreshBookmarks();
            m_screen.scrollToBookmarkRow(static_cast<int>(m_bookmarkFile->bookmarks.size()) - 1);
            emit bookmarksChanged();
        }
    }
    if (m_screen.hasWindow()) {
        if (report.failure) {
            m_screen.showError(QStringLiteral("The import stopped"),
                               QStringLiteral("None of the %1 new bookmarks of \u201C%2\u201D were imported: saving failed. ")
                                       .arg(report.total - report.present)
                                       .arg(name) +
                                   describeDocumentError(*report.failure).informativeText);
        } else {
            m_screen.showInformation(
                QStringLiteral("Bookmarks Imported"),
                QStringLiteral("Your existing bookmarks have been imported successfully. If you wish, you may now delete "
                               "the old bookmarks file named \"") +
                    name + QStringLiteral("\"."));
        }
    }
    m_screen.refreshBookmarks();
    return report;
}

void DocumentController::runDeferredImports()
{
    while (!m_deferredImports.empty()) {
        auto [data, path] = std::move(m_deferredImports.front());
        m_deferredImports.pop_front();
        ImportReport report;
        report.path = path;
        if (auto decoded = decodeBookmarkFile(std::string_view(data.constData(), static_cast<std::size_t>(data.size()))))
            report = importNow(*decoded, path);
        emit importFinished(report);
    }
    if (m_intakeRunning && m_intake.front()->waitingForImport) {
        m_intake.front()->waitingForImport = false;
        postToMain([this] { readNextIntakeFile(); });
    }
}

// --- Intake --------------------------------------------------------------------------------

std::expected<void, IntakeError> DocumentController::processURLs(const QStringList& paths)
{
    QStringList sorted;
    const qsizetype bookmarksFiles = sortIntake(paths, sorted);
    for (qsizetype i = 0; i < sorted.size(); ++i) {
        const bool isBookmarks = i < bookmarksFiles;
        auto data = readIntakeFile(sorted[i], isBookmarks, {});
        if (!data) {
            const IntakeError error{sorted[i], data.error()};
            displayError(error);
            return std::unexpected(error);
        }
        if (isBookmarks)
            processJSON(toByteArray(**data), sorted[i]);
        else
            processReceivedFileData(std::move(*data), sorted[i]);
    }
    return {};
}

void DocumentController::openFiles(const QStringList& paths, IntakeDone done)
{
    auto batch = std::make_shared<IntakeBatch>();
    batch->bookmarksFiles = sortIntake(paths, batch->paths);
    batch->done = std::move(done);
    m_intake.push_back(batch);
    runNextIntake();
}

void DocumentController::runNextIntake()
{
    if (m_intakeRunning || m_intake.empty())
        return;
    m_intakeRunning = true;
    readNextIntakeFile();
}

void DocumentController::readNextIntakeFile()
{
    auto batch = m_intake.front();
    if (batch->next >= batch->paths.size()) {
        finishIntake({});
        return;
    }
    const qsizetype index = batch->next++;
    const QString path = batch->paths[index];
    const bool isBookmarks = index < batch->bookmarksFiles;
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    m_readCancel = cancel;
    const bool showProgress = QFileInfo(path).size() >= m_progressThreshold;
    if (showProgress)
        m_screen.beginProgress(QStringLiteral("Reading \u201C%1\u201D\u2026").arg(QFileInfo(path).fileName()),
                               [cancel] { *cancel = true; });

    m_pool->start([this, path, isBookmarks, cancel, showProgress] {
        auto progress = [this, cancel, showProgress](std::int64_t done, std::int64_t total) {
            if (*cancel)
                return false;
            if (showProgress)
                postToMain([this, cancel, done, total] {
                    if (m_readCancel == cancel)
                        m_screen.updateProgress(done, total);
                });
            return true;
        };
        auto data = readIntakeFile(path, isBookmarks, progress);
        postToMain([this, path, isBookmarks, cancel, showProgress, data = std::move(data)]() mutable {
            if (showProgress)
                m_screen.endProgress();
            if (m_readCancel == cancel)
                m_readCancel.reset();
            if (!data) {
                finishIntake(std::unexpected(IntakeError{path, data.error()}));
                return;
            }
            if (isBookmarks) {
                if (processJSON(toByteArray(**data), path).outcome == ImportReport::Outcome::Deferred) {
                    m_intake.front()->waitingForImport = true; // resumed once the digest is known
                    return;
                }
            } else {
                processReceivedFileData(std::move(*data), path);
            }
            readNextIntakeFile();
        });
    });
}

void DocumentController::finishIntake(std::expected<void, IntakeError> result)
{
    auto batch = m_intake.front();
    m_intake.pop_front();
    m_intakeRunning = false;
    if (!result)
        displayError(result.error());
    if (batch->done)
        batch->done(result);
    emit intakeFinished();
    if (!m_intake.empty())
        postToMain([this] { runNextIntake(); });
}

bool DocumentController::waitForIntake(int timeoutMs)
{
    QTimer timer;
    bool timedOut = false;
    while (!m_intake.empty() && !timedOut) {
        QEventLoop loop;
        connect(this, &DocumentController::intakeFinished, &loop, &QEventLoop::quit);
        if (timeoutMs >= 0 && !timer.isActive()) {
            timer.setSingleShot(true);
            timer.start(timeoutMs);
        }
        connect(&timer, &QTimer::timeout, &loop, [&] {
            timedOut = true;
            loop.quit();
        });
        loop.exec();
    }
    return m_intake.empty();
}

} // namespace pq
