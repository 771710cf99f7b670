#pragma once

#include "decoding/pixel_array.h"
#include "export/export_error.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <expected>
#include <optional>
#include <string>

namespace pq {

// The image format titles offered for export, in menu order: "PNG", "BMP", "TIFF".
QStringList imageFormatTitles();

// The file name extension of a format title ("png", "bmp", "tiff"), matched exactly, letter
// case included; empty for any other title.
std::optional<QString> imageFormatExtension(const QString& title);

// The encoder name ("png", "bmp", "tiff") for a path's extension, compared without letter
// case; ".tif" counts as TIFF. Empty for any other extension.
std::optional<QByteArray> imageEncoderForPath(const QString& path);

// Encodes `image` with the named encoder (its default settings); fails with
// EncoderProducedNothing, naming `path`, when the encoder is missing, fails or gives no bytes.
std::expected<QByteArray, ExportFileError> encodeImage(const QImage& image, const QByteArray& encoder,
                                                       const QString& path);

// Encodes `image` with the named encoder (its default settings) and writes it atomically:
// the file at `path` is either replaced by the complete new file or left as it was. Fails
// with EncoderProducedNothing when the encoder is missing, fails or writes no bytes (detail:
// the encoder's explanation), WriteFailed when the file cannot be written.
std::expected<void, ExportFileError> writeImageAtomically(const QImage& image, const QString& path,
                                                          const QByteArray& encoder);

// The largest image zoom factor the export offers; whether a zoom fits a given icon is
// isImageZoomAllowed.
inline constexpr std::int64_t kMaxImageZoom = 512;

// True when an icon of `pixelsPerSide` at `zoomFactor` (plus the ruler's margin cell when
// `overlay`) makes an image that makeBitmapImageRep can create.
bool isImageZoomAllowed(std::int64_t zoomFactor, std::int64_t pixelsPerSide, bool overlay);

// Renders the icon with makeBitmapImageRep (no grid, the coordinates ruler when `overlay`)
// and writes it with writeImageAtomically in the format titled `format` to
// `folder`/<nickname>.<extension>. Returns that path. Fails with UnknownImageFormat for
// another title, ImageNotCreated when the bitmap cannot be made (zoom below 1 or too large,
// empty pixel array), and as writeImageAtomically does.
std::expected<QString, ExportFileError> writeImageFile(const std::string& name, std::int64_t zoomFactor,
                                                       const QString& folder, const QString& format, bool overlay,
                                                       const PixelArray& pixels);

} // namespace pq
