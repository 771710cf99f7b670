#include "document/document_intake.h"

#include "document/bookmark_file_json.h"
#include "document/document_controller.h"
#include "document/worker.h"

#include <QFileInfo>

namespace pq {

namespace {

// Only the exact, lower-case extension "json" makes a bookmarks file.
bool isBookmarksFilePath(const QString& path) { return QFileInfo(path).suffix() == QStringLiteral("json"); }

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

DocumentIntake::DocumentIntake(DocumentController& controller) : m_controller(controller)
{
    m_pool.setMaxThreadCount(1);
    // A bookmarks file that waited for the open data's digest has been imported: go on.
    connect(&controller, &DocumentController::importFinished, this, [this] {
        if (std::exchange(m_waitingForImport, false))
            QMetaObject::invokeMethod(this, &DocumentIntake::readNextFile, Qt::QueuedConnection);
    });
}

DocumentIntake::~DocumentIntake()
{
    if (m_readCancel)
        *m_readCancel = true;
    m_pool.waitForDone();
}

void DocumentIntake::processURLs(const QStringList& paths, Done done)
{
    Batch batch;
    for (const QString& path : paths)
        if (isBookmarksFilePath(path))
            batch.paths << path;
    batch.bookmarksFiles = batch.paths.size();
    for (const QString& path : paths)
        if (!isBookmarksFilePath(path))
            batch.paths << path;
    batch.done = std::move(done);
    m_batches.push_back(std::move(batch));
    runNextBatch();
}

void DocumentIntake::runNextBatch()
{
    if (m_running || m_batches.empty())
        return;
    m_running = true;
    readNextFile();
}

void DocumentIntake::readNextFile()
{
    Batch& batch = m_batches.front();
    if (batch.next >= batch.paths.size()) {
        finishBatch({});
        return;
    }
    const qsizetype index = batch.next++;
    const QString path = batch.paths[index];
    const bool isBookmarks = index < batch.bookmarksFiles;
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    m_readCancel = cancel;
    DocumentScreen& screen = m_controller.screen();
    const bool showProgress = QFileInfo(path).size() >= m_controller.progressThreshold();
    if (showProgress)
        screen.beginProgress(QStringLiteral("Reading \u201C%1\u201D\u2026").arg(QFileInfo(path).fileName()),
                             [cancel] { *cancel = true; });
    auto progress = [this, cancel, showProgress](std::int64_t done, std::int64_t total) {
        if (*cancel)
            return false;
        if (showProgress)
            QMetaObject::invokeMethod(
                this,
                [this, cancel, done, total] {
                    if (m_readCancel == cancel)
                        m_controller.screen().updateProgress(done, total);
                },
                Qt::QueuedConnection);
        return true;
    };
    runInWorker(
        this, m_pool, [path, isBookmarks, progress] { return readIntakeFile(path, isBookmarks, progress); },
        [this, path, isBookmarks, cancel, showProgress](auto data) {
            if (showProgress)
                m_controller.screen().endProgress();
            if (m_readCancel == cancel)
                m_readCancel.reset();
            if (!data) {
                finishBatch(std::unexpected(IntakeError{path, data.error()}));
                return;
            }
            if (!isBookmarks) {
                m_controller.processReceivedFileData(std::move(*data), path);
            } else if (m_controller.processJSON(toByteArray(**data), path).outcome == ImportReport::Outcome::Deferred) {
                m_waitingForImport = true; // goes on once the digest is known
                return;
            }
            readNextFile();
        });
}

void DocumentIntake::finishBatch(const std::expected<void, IntakeError>& result)
{
    Batch batch = std::move(m_batches.front());
    m_batches.pop_front();
    m_running = false;
    if (!result)
        m_controller.displayError(result.error());
    if (batch.done)
        batch.done(result);
    emit intakeFinished();
    if (!m_batches.empty())
        QMetaObject::invokeMethod(this, &DocumentIntake::runNextBatch, Qt::QueuedConnection);
}

bool DocumentIntake::waitForIntake(int timeoutMs)
{
    return waitWithEventLoop(this, &DocumentIntake::intakeFinished, [this] { return m_batches.empty(); }, timeoutMs);
}

} // namespace pq
