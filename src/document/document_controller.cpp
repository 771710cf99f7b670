#include "document/document_controller.h"

#include "document/sha256_hex.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QScopeGuard>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>
#include <condition_variable>
#include <mutex>

namespace pq {

// One digest computation in a worker thread. `finished` and `result` are guarded by `mutex`.
struct DocumentController::DigestJob {
    std::uint64_t generation = 0;
    std::atomic<bool> cancelled{false};
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::string result; // empty when cancelled
};

// What background saves did, handed from the save thread to the main thread.
struct DocumentController::SaveOutcomes {
    struct Outcome {
        std::uint64_t generation = 0;
        QString path;
        std::expected<void, DocumentError> written;
        FileStamp stamp;
    };
    std::mutex mutex;
    std::deque<Outcome> outcomes;
};

DocumentController::DocumentController(DocumentScreen& screen, QObject* parent)
    : DocumentController(screen, std::make_shared<BookmarkStore>(), parent)
{
}

DocumentController::DocumentController(DocumentScreen& screen, std::shared_ptr<BookmarkStore> store, QObject* parent)
    : QObject(parent), m_screen(screen), m_store(std::move(store)), m_pool(std::make_unique<QThreadPool>())
{
    m_pool->setMaxThreadCount(2);
    m_savePool = std::make_unique<QThreadPool>();
    m_savePool->setMaxThreadCount(1);
    m_saveOutcomes = std::make_shared<SaveOutcomes>();
}

DocumentController::~DocumentController()
{
    if (m_digestJob)
        m_digestJob->cancelled = true;
    if (m_readCancel)
        *m_readCancel = true;
    // Workers post their results to this object; wait for them before it goes away. Saves
    // under way are finished, never abandoned.
    m_savePool->waitForDone();
    m_pool->waitForDone();
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

void DocumentController::processReceivedFileData(std::shared_ptr<const FileData> data, const QString& path)
{
    if (!data)
        return;
    // Imports waiting for the previous data's digest belong to that data: finish them first.
    if (m_digestJob && !m_deferredImports.empty()) {
        auto job = m_digestJob;
        std::unique_lock lock(job->mutex);
        job->done.wait(lock, [&] { return job->finished; });
        const std::string digest = job->result;
        lock.unlock();
        if (!digest.empty())
            finishDigest(job->generation, digest);
    }
    if (m_digestJob) {
        m_digestJob->cancelled = true;
        m_digestJob.reset();
    }
    if (m_digestProgressShown) {
        m_screen.endProgress();
        m_digestProgressShown = false;
    }
    if (m_questionFor == m_generation && m_bookmarkFile)
        m_locationStash = m_bookmarkFile;

    ++m_generation;
    m_fileData = std::move(data);
    m_filePath = path;
    // The previous data's bookmarks, location and digest never serve the new data.
    m_digest.reset();
    m_bookmarkFile.reset();
    m_jsonFileURL.clear();
    m_unreadableReason.clear();
    m_state = BookmarkFileState::DigestPending;

    rebuildChunker();
    emit bookmarksReset();
    if (m_screen.hasWindow())
        m_screen.setWindowTitle(fileName());
    m_screen.setHintVisible(false);
    emit documentOpened();
    startDigest();
}

void DocumentController::rebuildChunker()
{
    if (!m_fileData)
        return;
    m_screen.resetBrowserSettings();
    const IconFormat format = IconFormat::from(BitDepth::_1bit, Dimensions::_32x32);
    auto chunker = Chunker::create(m_fileData, format.bitDepth, format.widthInBits);
    if (chunker)
        m_chunker = std::move(*chunker);
    else
        m_chunker.reset();
    m_screen.reloadBrowserFromFirstTile();
    m_screen.refreshBookmarks();
}

void DocumentController::setChunkerParameters(std::int64_t bitDepth, std::int64_t widthInBits)
{
    if (!m_chunker)
        return;
    m_chunker->setBitDepth(bitDepth);
    m_chunker->setWidthInBits(widthInBits);
}

void DocumentController::startDigest()
{
    const std::uint64_t generation = m_generation;
    if (m_fileData->size() < m_backgroundDigestThreshold) {
        finishDigest(generation, sha256Hex(m_fileData->bytes()));
        return;
    }
    auto job = std::make_shared<DigestJob>();
    job->generation = generation;
    m_digestJob = job;
    if (m_fileData->size() >= m_progressThreshold) {
        m_digestProgressShown = true;
        m_screen.beginProgress(QStringLiteral("Computing the digest of \u201C%1\u201D\u2026").arg(fileName()), {});
    }
    const bool reportProgress = m_digestProgressShown;
    m_pool->start([this, job, data = m_fileData, reportProgress] {
        auto progress = [this, job, reportProgress](std::int64_t done, std::int64_t total) {
            if (job->cancelled)
                return false;
            if (reportProgress)
                postToMain([this, job, done, total] {
                    if (m_digestJob == job && m_digestProgressShown)
                        m_screen.updateProgress(done, total);
                });
            return true;
        };
        std::string digest = sha256Hex(data->bytes(), progress);
        {
            std::lock_guard lock(job->mutex);
            job->result = job->cancelled ? std::string() : digest;
            job->finished = true;
        }
        job->done.notify_all();
        if (!job->cancelled)
            postToMain([this, job] {
                if (m_digestJob == job)
                    finishDigest(job->generation, job->result);
            });
    });
}

void DocumentController::finishDigest(std::uint64_t generation, const std::string& digest)
{
    if (generation != m_generation || m_state != BookmarkFileState::DigestPending || digest.empty())
        return;
    m_digestJob.reset();
    if (m_digestProgressShown) {
        m_screen.endProgress();
        m_digestProgressShown = false;
    }
    m_digest = digest;
    openBookmarkFile(digest);
    emit digestReady(QString::fromStdString(digest));
    runDeferredImports();
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

bool DocumentController::waitForDigest(int timeoutMs)
{
    if (!m_fileData)
        return false;
    if (m_state != BookmarkFileState::DigestPending)
        return true;
    QEventLoop loop;
    connect(this, &DocumentController::digestReady, &loop, &QEventLoop::quit);
    QTimer timer;
    if (timeoutMs >= 0) {
        connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(timeoutMs);
    }
    loop.exec();
    return m_state != BookmarkFileState::DigestPending;
}

// --- Bookmark edits ------------------------------------------------------------------------

std::expected<void, DocumentError> DocumentController::checkEditable() const
{
    switch (m_state) {
    case BookmarkFileState::DigestPending:
        return std::unexpected(DocumentError{DocumentError::Kind::DigestPending, m_filePath, {}});
    case BookmarkFileState::Unreadable:
        return std::unexpected(DocumentError{DocumentError::Kind::BookmarkFileUnreadable, m_jsonFileURL, m_unreadableReason});
    case BookmarkFileState::NoStore:
        return std::unexpected(DocumentError{DocumentError::Kind::NoBookmarkStore, m_store->folder(), {}});
    case BookmarkFileState::NoDocument:
    case BookmarkFileState::Loaded:
    case BookmarkFileState::New: break;
    }
    return {};
}

std::expected<BookmarkFileLock, DocumentError> DocumentController::beginEdit()
{
    settleSaves(); // the file on disk is then the last one this controller wrote
    BookmarkFileLock lock;
    const bool onDisk = m_state == BookmarkFileState::Loaded || m_state == BookmarkFileState::New ||
                        m_state == BookmarkFileState::Unreadable;
    if (onDisk && m_digest && !m_jsonFileURL.isEmpty()) {
        lock = BookmarkFileLock(m_jsonFileURL);
        if (const FileStamp now = FileStamp::of(m_jsonFileURL); now != m_jsonFileStamp) {
            m_jsonFileStamp = now;
            takeUpStored(m_store->load(m_jsonFileURL), *m_digest);
            m_screen.refreshBookmarks();
            emit bookmarksChanged();
        }
    }
    if (auto ok = checkEditable(); !ok)
        return std::unexpected(ok.error());
    return lock;
}

void DocumentController::bookmarkChunk(const Chunk& chunk)
{
    if (!m_chunker)
        return;
    Bookmark bookmark;
    bookmark.offset = chunk.offsetInFile;
    bookmark.nickname = "untitled " + std::to_string(chunk.offsetInFile);
    bookmark.bitDepth = m_chunker->bitDepth();
    bookmark.widthInBits = m_chunker->widthInBits();
    bookmark.hasMask = false;
    if (auto added = appendBookmark(bookmark); !added)
        displayError(added.error());
}

std::expected<void, DocumentError> DocumentController::appendBookmark(const Bookmark& bookmark)
{
    auto lock = beginEdit();
    if (!lock)
        return std::unexpected(lock.error());
    if (auto row = rowOf(keyOf(bookmark))) {
        m_screen.selectBookmarkRow(*row);
        m_screen.scrollToBookmarkRow(*row);
        return {};
    }
    std::optional<int> row;
    if (m_bookmarkFile) {
        m_bookmarkFile->bookmarks.push_back(bookmark);
        row = static_cast<int>(m_bookmarkFile->bookmarks.size()) - 1;
        emit bookmarksInserted(*row, *row);
    }
    if (auto saved = saveAfterEdit(); !saved)
        return saved;
    m_screen.refreshBookmarks();
    if (row)
        m_screen.scrollToBookmarkRow(*row);
    emit bookmarksChanged();
    return {};
}

std::expected<void, DocumentError> DocumentController::renameBookmark(std::int64_t index, const std::string& nickname)
{
    auto lock = beginEdit();
    if (!lock)
        return std::unexpected(lock.error());
    if (m_bookmarkFile) {
        auto& list = m_bookmarkFile->bookmarks;
        if (index < 0 || index >= static_cast<std::int64_t>(list.size()))
            return std::unexpected(DocumentError{DocumentError::Kind::InvalidIndex, m_jsonFileURL, QString::number(index)});
        list[static_cast<std::size_t>(index)].nickname = nickname;
        emit bookmarkChanged(static_cast<int>(index));
    }
    if (auto saved = saveAfterEdit(); !saved)
        return saved;
    m_screen.refreshBookmarks();
    emit bookmarksChanged();
    return {};
}

std::expected<void, DocumentError> DocumentController::deleteBookmark(std::int64_t offset, std::int64_t bitDepth,
                                                                      std::int64_t widthInBits)
{
    auto lock = beginEdit();
    if (!lock)
        return std::unexpected(lock.error());
    const BookmarkKey key{offset, bitDepth, widthInBits};
    if (m_bookmarkFile) {
        auto& list = m_bookmarkFile->bookmarks;
        std::vector<int> removed;
        for (std::size_t i = 0; i < list.size(); ++i)
            if (keyOf(list[i]) == key)
                removed.push_back(static_cast<int>(i));
        std::erase_if(list, [&](const Bookmark& b) { return keyOf(b) == key; });
        // Contiguous ranges, from the last to the first, so that each range's rows are still
        // numbered as before the removal when it is told.
        for (auto last = removed.rbegin(); last != removed.rend();) {
            auto first = last;
            while (std::next(first) != removed.rend() && *std::next(first) == *first - 1)
                ++first;
            emit bookmarksRemoved(*first, *last);
            last = std::next(first);
        }
    }
    if (auto saved = saveAfterEdit(); !saved)
        return saved;
    m_screen.refreshBookmarks();
    emit bookmarksChanged();
    return {};
}

std::expected<void, DocumentError> DocumentController::setBookmarkMask(std::int64_t offset, std::int64_t bitDepth,
                                                                       std::int64_t widthInBits, bool hasMask)
{
    auto lock = beginEdit();
    if (!lock)
        return std::unexpected(lock.error());
    // Only a 1-bit icon is followed by a mask plane; switching it off is always allowed.
    if (hasMask && bitDepth != 1)
        return std::unexpected(DocumentError{DocumentError::Kind::MaskNotAllowed, {}, QString::number(bitDepth)});
    const auto row = rowOf({offset, bitDepth, widthInBits});
    if (!row)
        return {};
    return setMaskOfRow(*row, hasMask);
}

std::expected<void, DocumentError> DocumentController::setBookmarkMaskAt(std::int64_t row, bool hasMask)
{
    auto lock = beginEdit();
    if (!lock)
        return std::unexpected(lock.error());
    if (!m_bookmarkFile || row < 0 || row >= static_cast<std::int64_t>(m_bookmarkFile->bookmarks.size()))
        return std::unexpected(DocumentError{DocumentError::Kind::InvalidIndex, m_jsonFileURL, QString::number(row)});
    const std::int64_t bitDepth = m_bookmarkFile->bookmarks[static_cast<std::size_t>(row)].bitDepth;
    if (hasMask && bitDepth != 1)
        return std::unexpected(DocumentError{DocumentError::Kind::MaskNotAllowed, {}, QString::number(bitDepth)});
    return setMaskOfRow(static_cast<int>(row), hasMask);
}

std::expected<void, DocumentError> DocumentController::setMaskOfRow(int row, bool hasMask)
{
    m_bookmarkFile->bookmarks[static_cast<std::size_t>(row)].hasMask = hasMask;
    emit bookmarkChanged(row);
    if (auto saved = saveAfterEdit(); !saved)
        return saved;
    m_screen.refreshBookmarks();
    emit bookmarksChanged();
    return {};
}

// --- Saving --------------------------------------------------------------------------------

std::expected<void, DocumentError> DocumentController::saveAfterEdit()
{
    const bool large =
        m_bookmarkFile && static_cast<std::int64_t>(m_bookmarkFile->bookmarks.size()) >= m_backgroundSaveThreshold;
    if (!large || m_jsonFileURL.isEmpty() || !m_screen.hasWindow() || !checkEditable())
        return saveBookmarkFile();
    // The worker writes a copy, so that later edits in memory never race with it.
    auto snapshot = std::make_shared<const BookmarkFile>(*m_bookmarkFile);
    m_savePool->start([this, store = m_store, outcomes = m_saveOutcomes, snapshot, path = m_jsonFileURL,
                       generation = m_generation] {
        SaveOutcomes::Outcome outcome{generation, path, {}, {}};
        {
            const BookmarkFileLock lock(path); // the edit that queued this save holds it until it returns
            outcome.written = store->save(*snapshot, path);
            outcome.stamp = FileStamp::of(path);
        }
        {
            const std::lock_guard guard(outcomes->mutex);
            outcomes->outcomes.push_back(std::move(outcome));
        }
        // The destructor waits for this thread, so `this` is alive while the call is posted.
        QMetaObject::invokeMethod(this, [this] { settleSaves(false); }, Qt::QueuedConnection);
    });
    return {};
}

void DocumentController::settleSaves(bool waitForQueue)
{
    if (waitForQueue)
        m_savePool->waitForDone();
    std::deque<SaveOutcomes::Outcome> done;
    {
        const std::lock_guard guard(m_saveOutcomes->mutex);
        done.swap(m_saveOutcomes->outcomes);
    }
    for (SaveOutcomes::Outcome& outcome : done) {
        const bool current = outcome.generation == m_generation && outcome.path == m_jsonFileURL;
        if (outcome.written) {
            if (current)
                m_jsonFileStamp = outcome.stamp;
        } else if (current && outcome.written.error().kind == DocumentError::Kind::PermissionDenied) {
            askForSaveLocation(); // the edits count as made; they are saved where the user chooses
        } else {
            displayError(outcome.written.error());
        }
    }
}

bool DocumentController::waitForSaves(int timeoutMs)
{
    if (!m_savePool->waitForDone(timeoutMs))
        return false;
    settleSaves();
    return true;
}

std::expected<void, DocumentError> DocumentController::saveBookmarkFile()
{
    m_savePool->waitForDone(); // an older background save must not land after this one
    if (!m_screen.hasWindow())
        return std::unexpected(DocumentError{DocumentError::Kind::NoWindow, {}, {}});
    if (auto ok = checkEditable(); !ok)
        return ok;
    if (m_jsonFileURL.isEmpty() || !m_bookmarkFile)
        return {}; // no data opened yet: nothing to write
    auto written = m_store->save(*m_bookmarkFile, m_jsonFileURL);
    if (written)
        m_jsonFileStamp = FileStamp::of(m_jsonFileURL);
    if (!written && written.error().kind == DocumentError::Kind::PermissionDenied) {
        // The edit counts as made; the bookmarks are saved where the user chooses.
        askForSaveLocation();
        return {};
    }
    return written;
}

void DocumentController::askForSaveLocation()
{
    // One question at a time: its answer saves the bookmarks as they are by then.
    if (m_questionFor) {
        if (*m_questionFor != m_generation)
            m_questionWaiting = m_generation;
        return;
    }
    m_questionFor = m_generation;
    const QFileInfo current(m_jsonFileURL);
    SaveLocationRequest request{QStringLiteral("Create a bookmarks file"), QStringLiteral("Bookmarks file name"),
                                current.fileName(), current.absolutePath(), QStringLiteral("json")};
    QPointer<DocumentController> self(this);
    const std::uint64_t generation = m_generation;
    m_screen.askSaveLocation(request, [self, generation](const SaveLocationAnswer& answer) {
        if (self)
            self->answerSaveLocation(generation, answer);
    });
}

void DocumentController::answerSaveLocation(std::uint64_t generation, const SaveLocationAnswer& answer)
{
    m_questionFor.reset();
    std::optional<BookmarkFile> stash = std::exchange(m_locationStash, std::nullopt);
    // The open data's own refused save is asked about once this answer is handled.
    const bool askNext = std::exchange(m_questionWaiting, std::nullopt) == m_generation && generation != m_generation;
    auto askAgain = qScopeGuard([this, askNext] {
        if (askNext)
            askForSaveLocation();
    });
    switch (answer.kind) {
    case SaveLocationAnswer::Kind::Cancelled: return; // the edits stay in memory, unsaved
    case SaveLocationAnswer::Kind::ConfirmedWithoutLocation:
        displayError(DocumentError{DocumentError::Kind::NoJSONFile, {}, {}});
        return;
    case SaveLocationAnswer::Kind::Confirmed: break;
    }
    if (generation != m_generation) {
        // Another file was opened meanwhile: the answer is for the previous data's bookmarks.
        if (stash)
            if (auto written = m_store->save(*stash, answer.path); !written)
                displayError(written.error());
        return;
    }
    m_jsonFileURL = answer.path;
    if (auto saved = saveBookmarkFile(); !saved)
        displayError(saved.error());
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
