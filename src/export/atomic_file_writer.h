#pragma once

#include "export/export_error.h"

#include <QByteArray>
#include <QString>

#include <expected>

namespace pq {

// Writes `bytes` to `path` atomically: the file is either replaced by the complete new
// content or left as it was, and no temporary file stays behind. The error carries the path
// and the file system's explanation.
std::expected<void, ExportFileError> writeFileAtomically(const QString& path, const QByteArray& bytes);

} // namespace pq
