#pragma once

#include "decoding/pixel_array.h"
#include "export/export_error.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <expected>
#include <string>

namespace pq {

// Limits that keep a text file within a few tens of megabytes: the zoom factor, and the
// characters of one line (and lines of one file): pixels per side x zoom.
inline constexpr std::int64_t kMaxTextZoom = 64;
inline constexpr std::int64_t kMaxTextEdge = 2048;

// True when `zoomFactor` is at least 1, at most kMaxTextZoom, and `pixelsPerSide` x zoom
// characters stays within kMaxTextEdge.
bool isTextZoomAllowed(std::int64_t zoomFactor, std::int64_t pixelsPerSide);

// Text art in UTF-8: one line per row, each repeated zoom times; in a line each pixel is
// zoom copies of U+258A LEFT THREE QUARTERS BLOCK when it is the black constant, else zoom
// spaces. Lines end with a single line feed. Requires an allowed zoom, or 0 (empty text).
QByteArray textDocument(const PixelArray& pixels, std::int64_t zoomFactor);

// Writes textDocument atomically to `folder`/<nickname>.txt and returns that path. A zoom
// that isTextZoomAllowed refuses for the icon's larger side gives InvalidZoom, nothing written.
std::expected<QString, ExportFileError> writeTextFile(const std::string& name, std::int64_t zoomFactor,
                                                      const QString& folder, const PixelArray& pixels);

} // namespace pq
