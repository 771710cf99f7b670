// The document controller's bookmark edits: each one a change of the held bookmarks file
// made through the one edit path.
#include "document/document_controller.h"

#include "decoding/default_nickname.h"

#include <algorithm>
#include <vector>

namespace pq {

std::expected<void, DocumentError> DocumentController::checkEditable() const
{
    switch (m_state) {
    case BookmarkFileState::DigestPending:
        return std::unexpected(DocumentError{DocumentError::Kind::DigestPending, m_filePath, {}});
    case BookmarkFileState::Unreadable:
        return std::unexpected(DocumentError{DocumentError::Kind::BookmarkFileUnreadable, m_jsonFileURL, m_unreadableReason});
    case BookmarkFileState::NoStore:
        return std::unexpected(DocumentError{DocumentError::Kind::NoBookmarkStore, m_store->folder(), {}});
    case BookmarkFileState::DataUnreadable:
        return std::unexpected(DocumentError{DocumentError::Kind::DataUnreadable, m_filePath, m_unreadableReason});
    case BookmarkFileState::NoDocument:
    case BookmarkFileState::Loaded:
    case BookmarkFileState::New: break;
    }
    return {};
}

std::expected<BookmarkFileLock, DocumentError> DocumentController::beginEdit()
{
    BookmarkFileLock lock;
    const bool onDisk = m_state == BookmarkFileState::Loaded || m_state == BookmarkFileState::New ||
                        m_state == BookmarkFileState::Unreadable;
    if (onDisk && m_digest && !m_jsonFileURL.isEmpty() && m_pendingSaves == 0) {
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

std::expected<void, DocumentError> DocumentController::edit(const Change& change)
{
    auto lock = beginEdit();
    if (!lock)
        return std::unexpected(lock.error());
    if (!m_bookmarkFile)
        return {}; // no data opened yet: nothing to change
    auto outcome = change(*m_bookmarkFile);
    if (!outcome)
        return std::unexpected(outcome.error());
    if (!outcome->save)
        return {};
    if (auto saved = saveAfterEdit(); !saved)
        return saved;
    m_screen.refreshBookmarks();
    if (outcome->reveal)
        m_screen.scrollToBookmarkRow(*outcome->reveal);
    emit bookmarksChanged();
    return {};
}

void DocumentController::bookmarkChunk(const Chunk& chunk)
{
    if (!m_chunker)
        return;
    const Bookmark bookmark{chunk.offsetInFile, defaultNickname(chunk.offsetInFile), m_chunker->bitDepth(),
                            m_chunker->widthInBits(), false};
    if (auto added = appendBookmark(bookmark); !added)
        displayError(added.error());
}

std::expected<void, DocumentError> DocumentController::appendBookmark(const Bookmark& bookmark)
{
    return edit([&](BookmarkFile& file) -> std::expected<EditOutcome, DocumentError> {
        if (auto row = rowOf(keyOf(bookmark))) { // held already: its row is revealed
            m_screen.selectBookmarkRow(*row);
            m_screen.scrollToBookmarkRow(*row);
            return EditOutcome{false, {}};
        }
        file.bookmarks.push_back(bookmark);
        const int row = static_cast<int>(file.bookmarks.size()) - 1;
        emit bookmarksInserted(row, row);
        return EditOutcome{true, row};
    });
}

std::expected<void, DocumentError> DocumentController::renameBookmark(std::int64_t index, const std::string& nickname)
{
    return edit([&](BookmarkFile& file) -> std::expected<EditOutcome, DocumentError> {
        if (index < 0 || index >= static_cast<std::int64_t>(file.bookmarks.size()))
            return std::unexpected(DocumentError{DocumentError::Kind::InvalidIndex, m_jsonFileURL, QString::number(index)});
        file.bookmarks[static_cast<std::size_t>(index)].nickname = nickname;
        emit bookmarkChanged(static_cast<int>(index));
        return EditOutcome{};
    });
}

std::expected<void, DocumentError> DocumentController::deleteBookmark(const BookmarkKey& key)
{
    return edit([&](BookmarkFile& file) -> std::expected<EditOutcome, DocumentError> {
        auto& list = file.bookmarks;
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
        return EditOutcome{}; // saved even when nothing was removed
    });
}

namespace {

// Only a 1-bit icon is followed by a mask plane; switching it off is always allowed.
std::expected<void, DocumentError> checkMask(std::int64_t bitDepth, bool hasMask)
{
    if (hasMask && bitDepth != 1)
        return std::unexpected(DocumentError{DocumentError::Kind::MaskNotAllowed, {}, QString::number(bitDepth)});
    return {};
}

} // namespace

std::expected<void, DocumentError> DocumentController::setBookmarkMask(const BookmarkKey& key, bool hasMask)
{
    return edit([&](BookmarkFile& file) -> std::expected<EditOutcome, DocumentError> {
        if (auto allowed = checkMask(key.bitDepth, hasMask); !allowed)
            return std::unexpected(allowed.error());
        const auto row = rowOf(key);
        if (!row)
            return EditOutcome{false, {}}; // no such bookmark: nothing changes
        return switchMask(file, *row, hasMask);
    });
}

std::expected<void, DocumentError> DocumentController::setBookmarkMaskAt(std::int64_t row, bool hasMask)
{
    return edit([&](BookmarkFile& file) { return switchMask(file, row, hasMask); });
}

std::expected<DocumentController::EditOutcome, DocumentError> DocumentController::switchMask(BookmarkFile& file,
                                                                                          std::int64_t row, bool hasMask)
{
    if (row < 0 || row >= static_cast<std::int64_t>(file.bookmarks.size()))
        return std::unexpected(DocumentError{DocumentError::Kind::InvalidIndex, m_jsonFileURL, QString::number(row)});
    Bookmark& bookmark = file.bookmarks[static_cast<std::size_t>(row)];
    if (auto allowed = checkMask(bookmark.bitDepth, hasMask); !allowed)
        return std::unexpected(allowed.error());
    bookmark.hasMask = hasMask;
    emit bookmarkChanged(static_cast<int>(row));
    return EditOutcome{};
}

} // namespace pq
