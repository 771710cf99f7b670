#pragma once

#include <QString>

#include <cstdint>

namespace pq {

// What identifies one version of a file on disk: a file replaced, rewritten or removed since
// shows another stamp.
struct FileStamp {
    bool exists = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;

    static FileStamp of(const QString& path);
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// An exclusive lock shared by every program that edits bookmarks files in one folder: held
// from reading a bookmarks file to writing its new version, so that edits by several windows
// or commands never lose each other's bookmarks. The lock is taken on the folder itself
// (flock), so no lock file is left behind and a folder that cannot be written needs none.
// Without a folder to open, the lock is empty (nothing can be written there either).
class BookmarkFileLock {
public:
    BookmarkFileLock() = default;
    // Waits until the folder of `path` is locked.
    explicit BookmarkFileLock(const QString& path);
    ~BookmarkFileLock();
    BookmarkFileLock(BookmarkFileLock&& other) noexcept;
    BookmarkFileLock& operator=(BookmarkFileLock&& other) noexcept;

    bool isLocked() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

} // namespace pq
