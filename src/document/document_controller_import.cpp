// The document controller's import of bookmarks files kept elsewhere.
#include "document/document_controller.h"

#include "document/bookmark_file_json.h"

#include <QFileInfo>

#include <map>
#include <tuple>
#include <utility>
#include <vector>

namespace pq {

namespace {

std::expected<BookmarkFile, BookmarkJsonError> decode(const QByteArray& data)
{
    return decodeBookmarkFile(std::string_view(data.constData(), static_cast<std::size_t>(data.size())));
}

// `held` with the bookmarks of `imported` whose key it does not hold appended in order.
struct Merge {
    BookmarkFile merged;
    std::vector<int> presentRows; // the held row of each imported bookmark held already
    std::int64_t added = 0;
};

Merge merge(const BookmarkFile& held, const BookmarkFile& imported)
{
    Merge result{held, {}, 0};
    std::map<std::tuple<std::int64_t, std::int64_t, std::int64_t>, int> rows; // the first row of each key
    auto keyTuple = [](const Bookmark& b) { return std::tuple(b.offset, b.bitDepth, b.widthInBits); };
    for (std::size_t row = 0; row < held.bookmarks.size(); ++row)
        rows.emplace(keyTuple(held.bookmarks[row]), static_cast<int>(row));
    for (const Bookmark& bookmark : imported.bookmarks) {
        const auto [at, isNew] = rows.emplace(keyTuple(bookmark), static_cast<int>(result.merged.bookmarks.size()));
        if (!isNew) {
            result.presentRows.push_back(at->second);
            continue;
        }
        result.merged.bookmarks.push_back(bookmark);
        ++result.added;
    }
    return result;
}

ImportReport reportFor(const BookmarkFile& file, const QString& path)
{
    ImportReport report;
    report.path = path;
    report.total = static_cast<std::int64_t>(file.bookmarks.size());
    return report;
}

} // namespace

ImportReport DocumentController::processJSON(const QByteArray& data, const QString& path)
{
    ImportReport report;
    report.path = path;
    auto decoded = decode(data);
    if (!decoded) {
        report.outcome = ImportReport::Outcome::Unreadable;
        report.readError = decoded.error().message();
        m_screen.showStatus(QStringLiteral("\u201C%1\u201D is not a bookmarks file and was not imported: %2.")
                                .arg(QFileInfo(path).fileName(), QString::fromStdString(report.readError)));
    } else if (!m_source) {
        report.outcome = ImportReport::Outcome::NoData;
    } else if (m_state == BookmarkFileState::DigestPending) {
        // The open data's digest is not known yet: the import runs as soon as it is.
        m_deferredImports.push_back({m_generation, data, path});
        report = reportFor(*decoded, path);
        report.outcome = ImportReport::Outcome::Deferred;
        return report;
    } else {
        report = importNow(*decoded, path);
    }
    emit importFinished(report);
    return report;
}

void DocumentController::runDeferredImports(std::uint64_t generation, const std::string& digest)
{
    std::deque<DeferredImport> waiting;
    std::erase_if(m_deferredImports, [&](DeferredImport& i) {
        if (i.generation != generation)
            return false;
        waiting.push_back(std::move(i));
        return true;
    });
    for (const DeferredImport& deferred : waiting) {
        ImportReport report;
        report.path = deferred.path;
        if (auto decoded = decode(deferred.data); decoded && generation == m_generation) {
            report = importNow(*decoded, deferred.path);
        } else if (decoded) {
            report = importIntoStored(*decoded, deferred.path, digest);
            if (report.failure)
                displayError(*report.failure);
        }
        emit importFinished(report);
    }
}

ImportReport DocumentController::importNow(const BookmarkFile& file, const QString& path)
{
    ImportReport report = reportFor(file, path);
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
    Merge merged = merge(*m_bookmarkFile, file);
    report.present = static_cast<std::int64_t>(merged.presentRows.size());
    for (const int row : merged.presentRows) { // held already: its row is revealed
        m_screen.selectBookmarkRow(row);
        m_screen.scrollToBookmarkRow(row);
    }
    if (merged.added > 0) {
        const int firstNew = static_cast<int>(m_bookmarkFile->bookmarks.size());
        const BookmarkFile before = std::exchange(*m_bookmarkFile, std::move(merged.merged));
        if (auto saved = saveBookmarkFile(); !saved) {
            *m_bookmarkFile = before;
            report.failure = saved.error();
        } else {
            report.added = merged.added;
            const int last = static_cast<int>(m_bookmarkFile->bookmarks.size()) - 1;
            emit bookmarksInserted(firstNew, last);
            m_screen.refreshBookmarks();
            m_screen.scrollToBookmarkRow(last);
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

ImportReport DocumentController::importIntoStored(const BookmarkFile& file, const QString& path, const std::string& digest)
{
    ImportReport report = reportFor(file, path);
    if (file.sha256 != digest) {
        report.outcome = ImportReport::Outcome::OtherData;
        report.fileDigest = file.sha256;
        return report;
    }
    report.outcome = ImportReport::Outcome::NotStored;
    if (!m_store->ensureFolder()) {
        report.failure = DocumentError{DocumentError::Kind::NoBookmarkStore, m_store->folder(), {}};
        return report;
    }
    const QString target = m_store->pathFor(digest);
    const BookmarkFileLock lock(target);
    StoredBookmarkFile stored = m_store->load(target);
    if (stored.state == StoredBookmarkFile::State::Unreadable) {
        report.failure = DocumentError{DocumentError::Kind::BookmarkFileUnreadable, target, stored.reason};
        return report;
    }
    if (stored.state == StoredBookmarkFile::State::Absent)
        stored.file = BookmarkFile{"No description", digest, {}};
    report.outcome = ImportReport::Outcome::Imported;
    Merge merged = merge(stored.file, file);
    report.present = static_cast<std::int64_t>(merged.presentRows.size());
    if (merged.added > 0) {
        if (auto saved = m_store->save(merged.merged, target); saved)
            report.added = merged.added;
        else
            report.failure = saved.error();
    }
    return report;
}

} // namespace pq
