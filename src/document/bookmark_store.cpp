#include "document/bookmark_store.h"

#include "document/atomic_file_writer.h"
#include "document/bookmark_file_json.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <unistd.h>

namespace pq {
namespace {

QString defaultFolder()
{
    const QStringList locations = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    if (locations.isEmpty() || locations.first().isEmpty())
        return {};
    return QDir(locations.first()).filePath(QString::fromLatin1(BookmarkStore::kFolderName));
}

// access() failed for lack of permission (or a read-only file system), not for absence.
bool deniedAccess(const QString& path, int mode)
{
    if (::access(QFile::encodeName(path).constData(), mode) == 0)
        return false;
    return errno == EACCES || errno == EPERM || errno == EROFS;
}

} // namespace

BookmarkStore::BookmarkStore() : m_folder(defaultFolder()) {}

BookmarkStore::BookmarkStore(QString folder) : m_folder(std::move(folder)) {}

bool BookmarkStore::ensureFolder() const
{
    return !m_folder.isEmpty() && QDir().mkpath(m_folder);
}

QString BookmarkStore::fileNameFor(const std::string& digest)
{
    return QString::fromStdString(digest) + QStringLiteral(".json");
}

QString BookmarkStore::pathFor(const std::string& digest) const
{
    return QDir(m_folder).filePath(fileNameFor(digest));
}

bool BookmarkStore::isWritableLocation(const QString& path)
{
    const QFileInfo info(path);
    if (deniedAccess(info.absolutePath(), W_OK | X_OK))
        return false;
    return !(info.exists() && deniedAccess(info.absoluteFilePath(), W_OK));
}

StoredBookmarkFile BookmarkStore::load(const QString& path) const
{
    StoredBookmarkFile result;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return result; // Absent: this data was never bookmarked
    result.state = StoredBookmarkFile::State::Unreadable;
    if (info.isDir()) {
        result.reason = QStringLiteral("it is a folder");
        return result;
    }
    if (info.size() > kMaxBookmarkFileBytes) {
        result.reason = QString::fromStdString(BookmarkJsonError{BookmarkJsonError::Kind::TooLarge, {}}.message());
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.reason = file.errorString();
        return result;
    }
    // Read at most one byte past the limit, in case the file grew since it was measured.
    const QByteArray bytes = file.read(kMaxBookmarkFileBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        result.reason = file.errorString();
        return result;
    }
    auto decoded = decodeBookmarkFile(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (!decoded) {
        result.reason = QString::fromStdString(decoded.error().message());
        return result;
    }
    result.state = StoredBookmarkFile::State::Loaded;
    result.file = std::move(*decoded);
    return result;
}

std::expected<void, DocumentError> BookmarkStore::save(const BookmarkFile& bookmarkFile, const QString& path) const
{
    auto encoded = encodeBookmarkFile(bookmarkFile);
    if (!encoded)
        return std::unexpected(DocumentError{DocumentError::Kind::EncodingFailed, path,
                                             QString::fromStdString(encoded.error().message())});
    auto written = writeFileAtomically(path, QByteArray::fromStdString(*encoded));
    if (!written) {
        const auto kind = written.error().isPermissionDenied() ? DocumentError::Kind::PermissionDenied
                                                                : DocumentError::Kind::WriteFailed;
        return std::unexpected(DocumentError{kind, path, written.error().reason()});
    }
    return {};
}

} // namespace pq
