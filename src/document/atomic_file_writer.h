#pragma once

#include <QByteArray>
#include <QString>

#include <expected>

namespace pq {

// Why a file could not be written: the file meant and the system's error number.
struct FileWriteError {
    QString path;
    int systemError = 0;

    // The system's reason in words; a full disk reads "The disk is full".
    QString reason() const;
    // Whether the place may not be written (permissions, a read-only file system).
    bool isPermissionDenied() const;
};

// Writes `bytes` to `path` atomically. The bytes go to a temporary file with a short name of
// its own in the same folder (mode 0666 less the umask, or the permissions of the file it
// replaces), written completely, synced and checked for its size, then renamed over `path`,
// and the folder is synced. `path` is then the complete new file, or on any failure left
// untouched and no temporary file stays. A symbolic link at `path` is replaced by the new
// file, never written through. An existing file that the user may not write is not
// replaced (EACCES).
std::expected<void, FileWriteError> writeFileAtomically(const QString& path, const QByteArray& bytes);

} // namespace pq
