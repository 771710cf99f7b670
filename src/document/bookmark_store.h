#pragma once

#include "document/bookmark.h"
#include "document/document_error.h"

#include <QString>

#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>

namespace pq {

// What was found at a bookmarks file's location.
struct StoredBookmarkFile {
    enum class State { Absent, Loaded, Unreadable };
    State state = State::Absent;
    BookmarkFile file;   // set when Loaded
    QString reason;      // why it is Unreadable
};

// The per-user folder of bookmarks files, one per disk image content, each named by the
// SHA-256 digest of the content and ".json".
class BookmarkStore {
public:
    static constexpr const char* kFolderName = "org.pixelquarry.Pixelquarry";

    // The store in the first generic data location (honours XDG_DATA_HOME).
    BookmarkStore();
    // A store in another folder (used by tests).
    explicit BookmarkStore(QString folder);
    virtual ~BookmarkStore() = default;

    // The store folder; empty when the platform reports no data location.
    const QString& folder() const { return m_folder; }
    // Makes the folder with its parents; an existing folder is success.
    bool ensureFolder() const;
    // folder / (digest + ".json")
    QString pathFor(const std::string& digest) const;
    static QString fileNameFor(const std::string& digest);

    // Reads the bookmarks file at `path`. Only a file that does not exist is Absent; any
    // other failure to read or decode it is Unreadable, so that it is never replaced.
    virtual StoredBookmarkFile load(const QString& path) const;
    // Writes the whole document atomically: the file is then the complete old or the
    // complete new document. PermissionDenied when the place may not be written.
    virtual std::expected<void, DocumentError> save(const BookmarkFile& file, const QString& path) const;

    // Whether a file could be created or replaced at `path`.
    static bool isWritableLocation(const QString& path);

private:
    QString m_folder;
};

} // namespace pq
