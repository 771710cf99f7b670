#include "document/document_intake.h"

#include "document/bookmark_file_json.h"
#include "document/clipped_name.h"
#include "document/document_controller.h"
#include "document/part_opening.h"
#include "document/worker.h"
#include "sources/file_byte_source.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QStorageInfo>

namespace pq {

namespace {

// Only the exact, lower-case extension "json" makes a bookmarks file.
bool isBookmarksFilePath(const QString& path) { return QFileInfo(path).suffix() == QStringLiteral("json"); }

QString quoted(const QString& path) { return quotedName(QFileInfo(path).fileName()); }

// The parts of the innermost wrapper on `path` as its choices, the way stopping before it.
std::expected<UnwrapPath, UnwrapError> offeringLastLayer(const std::shared_ptr<const ByteSource>& file,
                                                         const std::string& name, UnwrapPath path,
                                                         const UnwrapOptions& options)
{
    if (!path.choices.empty() || path.steps.empty())
        return path;
    path.steps.pop_back();
    const bool outermost = path.steps.empty();
    auto unwrapped = unwrap(outermost ? file : path.steps.back().part.bytes,
                            outermost ? name : path.steps.back().part.name, options);
    if (!unwrapped)
        return std::unexpected(unwrapped.error());
    path.choices = std::move(unwrapped->parts);
    path.choicesFormat = unwrapped->format;
    return path;
}

} // namespace

// One file of a batch, ready to hand over: a data file as a byte source (opening reads
// nothing; the browser reads what it shows) with the way through its wrappers, a bookmarks
// file as its whole text.
struct DocumentIntake::IntakeFile {
    std::shared_ptr<const ByteSource> source;
    QByteArray json;
    std::optional<std::expected<UnwrapPath, UnwrapError>> way; // none when not unwrapped
    bool wrapper = false;                                      // when not unwrapped
};

namespace {

using IntakeFile = DocumentIntake::IntakeFile;

// A bookmarks file larger than any real one is not read into memory: it is handed over as
// empty bytes, which the import then finds unreadable.
std::expected<IntakeFile, ReadError> readIntakeFile(const QString& path, bool bookmarksFile,
                                                    DocumentIntake::OpenMode mode, const UnwrapOptions& options)
{
    auto source = FileByteSource::open(QFile::encodeName(path).toStdString());
    if (!source)
        return std::unexpected(source.error());
    const std::int64_t size = (*source)->size();
    if (!bookmarksFile) {
        if (size == 0)
            return std::unexpected(ReadError{ReadError::Kind::Empty, 0});
        IntakeFile file{std::move(*source), {}, {}, false};
        const std::string name = QFileInfo(path).fileName().toStdString();
        if (mode == DocumentIntake::OpenMode::RawBytes) {
            file.wrapper = detectFormat(*file.source, name) != ContainerFormat::None;
            return file;
        }
        file.way = unwrapNested(file.source, name, options);
        if (mode == DocumentIntake::OpenMode::AskParts && *file.way)
            file.way = offeringLastLayer(file.source, name, std::move(**file.way), options);
        return file;
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

DocumentIntake::~DocumentIntake()
{
    if (m_largePartAnswer)
        m_largePartAnswer->close(); // a question the screen will not be asked now is answered no
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

void DocumentIntake::reopen(OpenMode mode, int partRow)
{
    if (!m_controller.hasDocument())
        return;
    Batch batch;
    batch.paths << m_controller.filePath();
    batch.mode = mode;
    batch.partRow = partRow;
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
    const OpenMode mode = batch.mode;
    const std::int64_t size = QFileInfo(path).size();
    runInWorker(
        this, m_pool,
        [path, isBookmarks, mode, options = decodeOptions(path, size)] {
            return readIntakeFile(path, isBookmarks, mode, options);
        },
        [this, path, isBookmarks](auto file) {
            endDecodeProgress();
            if (!file) {
                finishBatch(std::unexpected(IntakeError{path, file.error()}));
                return;
            }
            if (!isBookmarks) {
                openDataFile(path, std::move(*file));
                return;
            }
            if (m_controller.processJSON(file->json, path).outcome == ImportReport::Outcome::Deferred) {
                m_waitingForImport = true; // goes on once the digest is known
                return;
            }
            readNextFile();
        });
}

void DocumentIntake::openDataFile(const QString& path, IntakeFile file)
{
    if (!file.way)
        return openAndGoOn(std::move(file.source), path, {{}, file.wrapper});
    if (!*file.way)
        return openRawAfter(file.way->error(), std::move(file.source), path);
    UnwrapPath way = std::move(**file.way);
    if (way.choices.empty()) {
        const bool wrapper = !way.steps.empty();
        auto bytes = wrapper ? way.steps.back().part.bytes : std::move(file.source);
        return openAndGoOn(std::move(bytes), path, {std::move(way), wrapper});
    }
    if (const int row = m_batches.front().partRow; row >= 0)
        return openChosenPart(path, std::move(file.source), std::move(way), {PartChoice::Kind::Part, row});
    const auto rows = partRows(way.choices);
    QPointer<DocumentIntake> self(this);
    m_controller.screen().choosePart(
        QFileInfo(path).fileName(), rows,
        [self, path, source = std::move(file.source), way = std::move(way)](PartChoice choice) mutable {
            if (self)
                self->openChosenPart(path, std::move(source), std::move(way), choice);
        });
}

void DocumentIntake::openChosenPart(const QString& path, std::shared_ptr<const ByteSource> file, UnwrapPath way,
                                    PartChoice choice)
{
    const auto row = static_cast<std::size_t>(choice.row);
    if (choice.kind == PartChoice::Kind::RawBytes || (choice.kind == PartChoice::Kind::Part && row >= way.choices.size()))
        return openAndGoOn(std::move(file), path, {{}, true});
    if (choice.kind == PartChoice::Kind::Cancelled)
        return readNextFile();
    way.steps.push_back(UnwrapStep{way.choicesFormat, way.choices[row]});
    DocumentOrigin origin{{}, true, std::exchange(way.choices, {}), choice.row};
    origin.path = std::move(way);
    const Part part = origin.path.steps.back().part;
    auto options = decodeOptions(path, file->size());
    runInWorker(
        this, m_pool, [part, options = std::move(options)] { return openPart(part, options); },
        [this, path, file = std::move(file), origin = std::move(origin)](auto bytes) mutable {
            endDecodeProgress();
            if (!bytes)
                return openRawAfter(bytes.error(), std::move(file), path);
            origin.path.steps.back().part.bytes = *bytes;
            openAndGoOn(std::move(*bytes), path, std::move(origin));
        });
}

void DocumentIntake::openAndGoOn(std::shared_ptr<const ByteSource> bytes, const QString& path, DocumentOrigin origin)
{
    m_controller.processReceivedSource(std::move(bytes), path, std::move(origin));
    readNextFile();
}

void DocumentIntake::openRawAfter(const UnwrapError& error, std::shared_ptr<const ByteSource> file, const QString& path)
{
    if (error.cause == UnwrapError::Cause::Cancelled) {
        m_controller.screen().showStatus(QStringLiteral("Opening %1 was cancelled.").arg(quoted(path)));
        return readNextFile();
    }
    m_controller.processReceivedSource(std::move(file), path, DocumentOrigin{{}, true});
    m_controller.screen().showStatus(QStringLiteral("%1 could not be unwrapped (%2); its raw bytes are shown.")
                                         .arg(quoted(path), QString::fromStdString(describe(error))));
    readNextFile();
}

UnwrapOptions DocumentIntake::decodeOptions(const QString& path, std::int64_t wrapperSize)
{
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    m_decodeCancel = cancel;
    m_decodeLabel = QStringLiteral("Opening %1\u2026").arg(quoted(path));
    const bool show = wrapperSize >= m_controller.progressThreshold() / 8;
    UnwrapOptions options = unwrapOptions([this, cancel, show](std::int64_t done, std::int64_t total) {
        if (*cancel)
            return false;
        if (show)
            QMetaObject::invokeMethod(
                this, [this, cancel, done, total] { showDecodeProgress(cancel, done, total); }, Qt::QueuedConnection);
        return true;
    });
    auto answer = std::make_shared<MainThreadAnswer>();
    m_largePartAnswer = answer;
    options.askAbove = m_largePartThreshold;
    options.confirmLargePart = [this, answer, path, folder = options.tempFolder](std::int64_t bytes,
                                                                                 const std::string& layer) {
        QMetaObject::invokeMethod(
            this, [=, this] { answer->give(askLargePart(path, folder, bytes, layer)); }, Qt::QueuedConnection);
        return answer->wait();
    };
    return options;
}

bool DocumentIntake::askLargePart(const QString& path, const std::string& folder, std::int64_t bytes,
                                  const std::string& layer)
{
    const QString where = folder.empty() ? QDir::tempPath() : QFile::decodeName(folder.c_str());
    const QStorageInfo storage(where);
    return m_controller.screen().confirmLargePart({QFileInfo(path).fileName(), QString::fromStdString(layer), bytes,
                                                   where, storage.isValid() ? storage.bytesAvailable() : -1});
}

void DocumentIntake::showDecodeProgress(const std::shared_ptr<std::atomic<bool>>& cancel, std::int64_t done,
                                        std::int64_t total)
{
    if (cancel != m_decodeCancel)
        return; // a late report of a decode that has ended
    if (!std::exchange(m_decodeProgressShown, true))
        m_controller.screen().beginProgress(m_decodeLabel, [cancel] { *cancel = true; });
    m_controller.screen().updateProgress(done, total);
}

void DocumentIntake::endDecodeProgress()
{
    m_decodeCancel.reset();
    if (std::exchange(m_decodeProgressShown, false))
        m_controller.screen().endProgress();
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
