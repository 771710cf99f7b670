#include "document/document_intake.h"

#include "document/bookmark_file_json.h"
#include "document/document_controller.h"
#include "document/worker.h"
#include "sources/file_byte_source.h"

#include <QFileInfo>

namespace pq {

namespace {

// Only the exact, lower-case extension "json" makes a bookmarks file.
bool isBookmarksFilePath(const QString& path) { return QFileInfo(path).suffix() == QStringLiteral("json"); }

// One file of a batch, ready to hand over: a data file as a byte source (opening reads
// nothing; the browser reads what it shows), a bookmarks file as its whole text.
struct IntakeFile {
    std::shared_ptr<const ByteSource> source;
    QByteArray json;
};

// A bookmarks file larger than any real one is not read into memory: it is handed over as
// empty bytes, which the import then finds unreadable.
std::expected<IntakeFile, ReadError> readIntakeFile(const QString& path, bool bookmarksFile)
{
    auto source = FileByteSource::open(QFile::encodeName(path).toStdString());
    if (!source)
        return std::unexpected(source.error());
    const std::int64_t size = (*source)->size();
    if (!bookmarksFile) {
        if (size == 0)
            return std::unexpected(ReadError{ReadError::Kind::Empty, 0});
        return IntakeFile{std::move(*source), {}};
    }
    IntakeFile file;
    if (size > kMaxBookmarkFileBytes)
        return file;
    file.json.resize(static_cast<qsizetype>(size));
    if (auto read = (*source)->read(0, std::as_writable_bytes(std::span(file.json.data(), file.json.size()))); !read)
        return std::unexpected(read.error());
    return file;
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

DocumentIntake::~DocumentIntake() { m_pool.waitForDone(); }

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
    runInWorker(
        this, m_pool, [path, isBookmarks] { return readIntakeFile(path, isBookmarks); },
        [this, path, isBookmarks](auto file) {
            if (!file) {
                finishBatch(std::unexpected(IntakeError{path, file.error()}));
                return;
            }
            if (!isBookmarks) {
                m_controller.processReceivedSource(std::move(file->source), path);
            } else if (m_controller.processJSON(file->json, path).outcome == ImportReport::Outcome::Deferred) {
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
