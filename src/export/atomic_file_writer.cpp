#include "export/atomic_file_writer.h"

#include <QSaveFile>

namespace pq {

std::expected<void, ExportFileError> writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    // Never fall back to writing the target in place: a failure must leave the old file whole.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return std::unexpected(ExportFileError{ExportError::WriteFailed, path, file.errorString()});
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return std::unexpected(ExportFileError{ExportError::WriteFailed, path, reason});
    }
    if (!file.commit())
        return std::unexpected(ExportFileError{ExportError::WriteFailed, path, file.errorString()});
    return {};
}

} // namespace pq
