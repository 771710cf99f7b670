#pragma once

#include <QImage>
#include <QString>

#include <expected>
#include <optional>

namespace pq {

// The encoder name ("png", "bmp", "tiff") for a path's extension, compared without letter
// case; ".tif" counts as TIFF. Empty for any other extension.
std::optional<QByteArray> imageEncoderForPath(const QString& path);

// Encodes `image` with the named encoder and writes it atomically: the file at `path` is
// either replaced by the complete new file or left as it was. On failure the result is a
// sentence saying what failed.
std::expected<void, QString> saveImageAtomically(const QImage& image, const QString& path, const QByteArray& encoder);

} // namespace pq
