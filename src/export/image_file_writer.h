#pragma once

#include "decoding/pixel_array.h"
#include "export/export_error.h"

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

// The largest image zoom factor the export offers; whether a zoom fits a given icon is
// isImageZoomAllowed.
inline constexpr std::int64_t kMaxImageZoom = 512;

// True when an icon of `pixelsPerSide` at `zoomFactor` (plus the ruler's margin cell when
// `overlay`) makes an image that makeBitmapImageRep can create.
bool isImageZoomAllowed(std::int64_t zoomFactor, std::int64_t pixelsPerSide, bool overlay);

// Renders the icon with makeBitmapImageRep (no grid, the coordinates ruler when `overlay`),
// encodes it in the format titled `format` with the encoder's default settings and writes
// it atomically to `folder`/<nickname>.<extension>. Returns that path. Fails with
// UnknownImageFormat for another title, ImageNotCreated when the bitmap cannot be made (zoom
// below 1 or too large, empty pixel array), EncoderProducedNothing when the encoder is
// missing or writes no bytes, WriteFailed when the file cannot be written.
std::expected<QString, ExportFileError> writeImageFile(const std::string& name, std::int64_t zoomFactor,
                                                       const QString& folder, const QString& format, bool overlay,
                                                       const PixelArray& pixels);

} // namespace pq
