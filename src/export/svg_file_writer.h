#pragma once

#include "decoding/color.h"
#include "decoding/pixel_array.h"
#include "export/export_error.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <expected>
#include <string>

namespace pq {

// The largest SVG zoom factor (user units per pixel) the export accepts.
inline constexpr std::int64_t kMaxSVGZoom = 100000;

// "#RRGGBB" in upper-case hexadecimal. The black and white constants give "#000000" and
// "#FFFFFF"; any other colour has each component scaled by 255 (in double precision, then
// single precision) and rounded to nearest, halves away from zero.
std::string colorHexString(const Color& color);

// The SVG 1.1 document: the XML declaration and document type lines, the root start tag of
// columns x zoom by rows x zoom user units, one square <rect/> line per visible pixel (clear
// pixels are skipped but still advance x), and "</svg>". Each line ends with a line feed.
// Requires a zoom for which the sizes fit in 64 bits (see writeSVGFile).
QByteArray svgDocument(const PixelArray& pixels, std::int64_t zoomFactor);

// Writes svgDocument atomically to `folder`/<nickname>.svg and returns that path. Refuses a
// zoom below 1 or above kMaxSVGZoom (InvalidZoom, nothing written).
std::expected<QString, ExportFileError> writeSVGFile(const std::string& name, std::int64_t zoomFactor,
                                                     const QString& folder, const PixelArray& pixels);

} // namespace pq
