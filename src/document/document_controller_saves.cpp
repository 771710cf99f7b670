// The document controller's saves: at once or behind the screen, and the question for
// another location when the store may not be written.
#include "document/document_controller.h"

#include "document/worker.h"

#include <QFileInfo>
#include <QPointer>
#include <QScopeGuard>

namespace pq {

std::expected<void, DocumentError> DocumentController::saveAfterEdit()
{
    const bool large =
        m_bookmarkFile && static_cast<std::int64_t>(m_bookmarkFile->bookmarks.size()) >= m_backgroundSaveThreshold;
    if (large && !m_jsonFileURL.isEmpty() && m_screen.hasWindow() && checkEditable()) {
        saveInBackground();
        return {};
    }
    return saveBookmarkFile();
}

void DocumentController::saveInBackground()
{
    struct Outcome {
        std::expected<void, DocumentError> written;
        FileStamp stamp;
    };
    ++m_pendingSaves;
    // The worker writes a copy, so that later edits in memory never race with it.
    auto snapshot = std::make_shared<const BookmarkFile>(*m_bookmarkFile);
    const QString path = m_jsonFileURL;
    const std::uint64_t generation = m_generation;
    runInWorker(
        this, m_savePool,
        [store = m_store, snapshot, path] {
            const BookmarkFileLock lock(path); // the edit that queued this save holds it until it returns
            Outcome outcome{store->save(*snapshot, path), {}};
            outcome.stamp = FileStamp::of(path);
            return outcome;
        },
        [this, path, generation](const Outcome& outcome) {
            --m_pendingSaves;
            const bool current = generation == m_generation && path == m_jsonFileURL;
            if (outcome.written) {
                if (current)
                    m_jsonFileStamp = outcome.stamp;
            } else if (current && outcome.written.error().kind == DocumentError::Kind::PermissionDenied) {
                askForSaveLocation(); // the edits count as made; they are saved where the user chooses
            } else {
                displayError(outcome.written.error());
            }
            emit saveSettled();
        });
}

std::expected<void, DocumentError> DocumentController::saveBookmarkFile()
{
    if (!m_screen.hasWindow())
        return std::unexpected(DocumentError{DocumentError::Kind::NoWindow, {}, {}});
    if (auto ok = checkEditable(); !ok)
        return ok;
    if (m_jsonFileURL.isEmpty() || !m_bookmarkFile)
        return {}; // no data opened yet: nothing to write
    if (m_pendingSaves > 0) {
        saveInBackground(); // lands after the saves queued before it
        return {};
    }
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

} // namespace pq
