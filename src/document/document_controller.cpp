#include "document/document_controller.h"

#include "document/document_intake.h"
#include "sources/source_digest.h"
#include "document/worker.h"

#include <QFileInfo>

#include <algorithm>

namespace pq {

namespace {
// The browser's format when other bytes are opened.
constexpr IconFormat kResetFormat = IconFormat::from(BitDepth::_1bit, Dimensions::_32x32);
} // namespace

DocumentController::DocumentController(DocumentScreen& screen, QObject* parent)
    : DocumentController(screen, std::make_shared<BookmarkStore>(), parent)
{
}

DocumentController::DocumentController(DocumentScreen& screen, std::shared_ptr<BookmarkStore> store, QObject* parent)
    : QObject(parent), m_screen(screen), m_store(std::move(store))
{
    m_pool.setMaxThreadCount(2);
    m_savePool.setMaxThreadCount(1);
    m_intake = std::make_unique<DocumentIntake>(*this);
}

DocumentController::~DocumentController()
{
    m_intake.reset();
    if (m_digestCancel)
        *m_digestCancel = true;
    // Workers post their progress to this object; wait for them before it goes away. Saves
    // under way are finished, never abandoned.
    m_savePool.waitForDone();
    m_pool.waitForDone();
}

QString DocumentController::fileName() const { return QFileInfo(m_filePath).fileName(); }

std::optional<int> DocumentController::rowOf(const BookmarkKey& key) const
{
    if (!m_bookmarkFile)
        return std::nullopt;
    const auto& list = m_bookmarkFile->bookmarks;
    auto it = std::ranges::find_if(list, [&](const Bookmark& b) { return keyOf(b) == key; });
    if (it == list.end())
        return std::nullopt;
    return static_cast<int>(it - list.begin());
}

void DocumentController::postToMain(std::function<void()> work)
{
    QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

// --- Opening -------------------------------------------------------------------------------

void DocumentController::processReceivedSource(std::shared_ptr<const ByteSource> source, const QString& path,
                                               DocumentOrigin origin)
{
    if (!source)
        return;
    // Imports waiting for this data's digest still belong to it: its digest goes on, and they
    // are merged into its stored file when it is known.
    const bool digestOwed = std::ranges::any_of(m_deferredImports, [&](const DeferredImport& i) {
        return i.generation == m_generation;
    });
    if (m_digestCancel && !digestOwed)
        *m_digestCancel = true;
    m_digestCancel.reset();
    if (m_digestProgressShown) {
        m_screen.endProgress();
        m_digestProgressShown = false;
    }
    if (m_questionFor == m_generation && m_bookmarkFile)
        m_locationStash = m_bookmarkFile;

    ++m_generation;
    m_source = std::move(source);
    m_filePath = path;
    m_origin = std::move(origin);
    m_readErrorShown = false;
    // The previous data's bookmarks, location and digest never serve the new data.
    m_digest.reset();
    m_bookmarkFile.reset();
    m_jsonFileURL.clear();
    m_unreadableReason.clear();
    m_state = BookmarkFileState::DigestPending;

    rebuildChunker();
    emit bookmarksReset();
    if (m_screen.hasWindow())
        m_screen.setWindowTitle(documentTitle(fileName(), m_origin));
    m_screen.setHintVisible(false);
    emit documentOpened();
    startDigest();
}

void DocumentController::openInner(std::shared_ptr<const ByteSource> bytes, std::vector<std::string> names)
{
    if (!m_source || !bytes)
        return;
    DocumentOrigin origin = m_origin;
    origin.image = image();
    origin.innerPath = std::move(names);
    processReceivedSource(std::move(bytes), m_filePath, std::move(origin));
}

void DocumentController::backToImage()
{
    if (!m_origin.image)
        return;
    DocumentOrigin origin = m_origin;
    auto bytes = std::exchange(origin.image, nullptr);
    origin.innerPath.clear();
    processReceivedSource(std::move(bytes), m_filePath, std::move(origin));
}

bool DocumentController::canBrowse(const std::shared_ptr<const ByteSource>& bytes)
{
    return Chunker::create(bytes, kResetFormat.bitDepth, kResetFormat.widthInBits).has_value();
}

void DocumentController::rebuildChunker()
{
    if (!m_source)
        return;
    m_screen.resetBrowserSettings();
    auto chunker = Chunker::create(m_source, kResetFormat.bitDepth, kResetFormat.widthInBits);
    if (chunker)
        m_chunker = std::move(*chunker);
    else
        m_chunker.reset();
    m_screen.reloadBrowserFromFirstTile();
    m_screen.refreshBookmarks();
}

void DocumentController::setChunkerParameters(const IconFormat& format)
{
    if (!m_chunker)
        return;
    m_chunker->setBitDepth(format.bitDepth);
    m_chunker->setWidthInBits(format.widthInBits);
}

void DocumentController::startDigest()
{
    if (m_source->size() < m_backgroundDigestThreshold) {
        finishDigest(sha256Hex(*m_source));
        return;
    }
    const std::uint64_t generation = m_generation;
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    m_digestCancel = cancel;
    if (m_source->size() >= m_progressThreshold) {
        m_digestProgressShown = true;
        m_screen.beginProgress(QStringLiteral("Computing the digest of \u201C%1\u201D\u2026").arg(fileName()), {});
    }
    const bool reportProgress = m_digestProgressShown;
    auto progress = [this, cancel, generation, reportProgress](std::int64_t done, std::int64_t total) {
        if (*cancel)
            return false;
        if (reportProgress)
            postToMain([this, generation, done, total] {
                if (generation == m_generation && m_digestProgressShown)
                    m_screen.updateProgress(done, total);
            });
        return true;
    };
    runInWorker(
        this, m_pool,
        [source = m_source, progress] { return sha256Hex(*source, progress); },
        [this, generation, cancel](const std::expected<std::string, ReadError>& digest) {
            if (*cancel)
                return; // other data replaced it
            if (!digest) {
                if (generation == m_generation)
                    finishDigest(digest);
                return;
            }
            if (generation == m_generation)
                finishDigest(*digest);
            else
                runDeferredImports(generation, *digest);
        });
}

void DocumentController::finishDigest(const std::expected<std::string, ReadError>& result)
{
    if (m_state != BookmarkFileState::DigestPending)
        return;
    m_digestCancel.reset();
    if (m_digestProgressShown) {
        m_screen.endProgress();
        m_digestProgressShown = false;
    }
    if (!result) {
        // Without the digest the bookmarks file cannot be named: the bytes stay browsable,
        // bookmarking waits for the file to be opened again.
        m_state = BookmarkFileState::DataUnreadable;
        m_unreadableReason = QString::fromStdString(result.error().message(m_filePath.toStdString()));
        reportReadError(result.error());
        emit digestReady({});
        return;
    }
    const std::string& digest = *result;
    m_digest = digest;
    openBookmarkFile(digest);
    emit digestReady(QString::fromStdString(digest));
    runDeferredImports(m_generation, digest);
}

void DocumentController::openBookmarkFile(const std::string& digest)
{
    if (!m_store->ensureFolder()) {
        // Without a store the new data has no bookmarks file; the previous data's file and
        // location were already dropped, so nothing can be written into them.
        m_state = BookmarkFileState::NoStore;
        emit bookmarksReset();
        m_screen.refreshBookmarks();
        m_screen.showStatus(QStringLiteral("The bookmarks folder \u201C%1\u201D could not be created.").arg(m_store->folder()));
        emit bookmarksChanged();
        return;
    }
    m_jsonFileURL = m_store->pathFor(digest);
    m_jsonFileStamp = FileStamp::of(m_jsonFileURL);
    takeUpStored(m_store->load(m_jsonFileURL), digest);
    m_screen.refreshBookmarks();
    emit bookmarksChanged();
}

void DocumentController::takeUpStored(StoredBookmarkFile stored, const std::string& digest)
{
    switch (stored.state) {
    case StoredBookmarkFile::State::Absent:
        m_bookmarkFile = BookmarkFile{"No description", digest, {}};
        m_state = BookmarkFileState::New;
        break;
    case StoredBookmarkFile::State::Loaded:
        m_bookmarkFile = std::move(stored.file);
        m_state = BookmarkFileState::Loaded;
        break;
    case StoredBookmarkFile::State::Unreadable:
        // The user's data: kept as it is, never replaced. Edits are refused while it is so.
        m_bookmarkFile.reset();
        m_state = BookmarkFileState::Unreadable;
        m_unreadableReason = stored.reason;
        m_screen.showStatus(QStringLiteral("The bookmarks file \u201C%1\u201D cannot be read: %2.").arg(m_jsonFileURL, stored.reason));
        break;
    }
    emit bookmarksReset();
}

void DocumentController::reportReadError(const ReadError& error)
{
    if (std::exchange(m_readErrorShown, true) || !m_screen.hasWindow())
        return;
    const QString title = error.kind == ReadError::Kind::FileChanged ? QStringLiteral("The file changed on disk")
                                                                      : QStringLiteral("The file could not be read");
    m_screen.showError(title, QString::fromStdString(error.message(m_filePath.toStdString())));
}

bool DocumentController::waitForDigest(int timeoutMs)
{
    if (!m_source)
        return false;
    return waitWithEventLoop(this, &DocumentController::digestReady, [this] { return !isDigestPending(); }, timeoutMs);
}

bool DocumentController::waitForSaves(int timeoutMs)
{
    return waitWithEventLoop(this, &DocumentController::saveSettled, [this] { return m_pendingSaves == 0; }, timeoutMs);
}

void DocumentController::displayError(const DocumentError& error)
{
    if (!m_screen.hasWindow())
        return;
    const DocumentErrorText text = describeDocumentError(error);
    m_screen.showError(text.title, text.informativeText);
}

void DocumentController::displayError(const IntakeError& error)
{
    if (!m_screen.hasWindow())
        return;
    m_screen.showError(QStringLiteral("The file could not be opened"), error.message());
}

} // namespace pq
