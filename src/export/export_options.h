#pragma once

#include "document/bookmark.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <expected>
#include <span>
#include <vector>

class QSettings;

namespace pq {

// The settings keys of the five persisted switches, and their defaults.
inline constexpr const char* kExportImageKey = "exportImage";
inline constexpr const char* kImageCoordinatesOverlayKey = "imageCoordinatesOverlay";
inline constexpr const char* kExportTextKey = "exportText";
inline constexpr const char* kExport3DKey = "export3D";
inline constexpr const char* kExportSVGKey = "exportSVG";

// The kinds of export file, in the order they are written for each bookmark.
enum class ExportKind { Image, Text, Scene, SVG };

// Everything the export asks for: the four kind switches, the image format and ruler, the
// three zoom factors and the scene format. A plain value that an options dialog binds to and
// the command line fills from its arguments.
struct ExportOptions {
    static constexpr std::int64_t kDefaultImageZoom = 8;
    static constexpr std::int64_t kDefaultTextZoom = 1;
    static constexpr std::int64_t kDefaultSVGZoom = 10;

    bool exportImage = true;
    bool imageCoordinatesOverlay = false;
    bool exportText = true;
    bool export3D = true;
    bool exportSVG = true;
    QString imageFormat = QStringLiteral("PNG"); // a title of imageFormatTitles()
    std::int64_t imageZoom = kDefaultImageZoom;
    std::int64_t textZoom = kDefaultTextZoom;
    std::int64_t svgZoom = kDefaultSVGZoom;
    bool sceneIsCollada = true; // false: USDZ

    // The kinds switched on, in writing order.
    std::vector<ExportKind> enabledKinds() const;
};

// Stores each of the five switches' default under its key where the settings hold no value yet.
void registerExportDefaults(QSettings& settings);
// `options` with its five switches read from the settings (defaults where a key is absent).
ExportOptions loadExportSwitches(const QSettings& settings, ExportOptions options = {});
void saveExportSwitches(QSettings& settings, const ExportOptions& options);

// The 3D format menu titles, COLLADA first; a title selects COLLADA exactly when it is
// "DAE (Collada)".
QStringList sceneFormatTitles();
bool isColladaTitle(const QString& title);

// Why export options were refused before anything was written.
enum class ExportOptionsError {
    UnknownImageFormat,
    ImageZoomTooSmall,
    ImageZoomTooLarge,
    TextZoomTooSmall,
    TextZoomTooLarge,
    SVGZoomTooSmall,
    SVGZoomTooLarge,
};

// The widths a fresh options panel shows sizes for, before it learns the bookmarks' widths.
inline std::vector<std::int64_t> initialWidthsInPixels() { return {32}; }

// The distinct pixel widths of the bookmarks, ascending; bookmarks whose format cannot be
// decoded have no width and are left out.
std::vector<std::int64_t> widthsInPixels(std::span<const Bookmark> bookmarks);

// Text export is offered when at least one bookmark is a 1-bit icon.
bool canDisplayExportAsText(std::span<const Bookmark> bookmarks);

// The largest zooms that every width accepts (0 when none does): these cap the zoom fields.
std::int64_t maxImageZoom(std::span<const std::int64_t> widths, bool overlay);
std::int64_t maxTextZoom(std::span<const std::int64_t> widths);
std::int64_t maxSVGZoom();

// Checks the zooms and the image format of the kinds switched on against the icon widths
// (kinds switched off are not checked). Zooms below 1 are refused, and so are zooms above
// the caps above, so nothing downstream overflows or allocates without bound.
std::expected<void, ExportOptionsError> validateExportOptions(const ExportOptions& options,
                                                              std::span<const std::int64_t> widths);

} // namespace pq
