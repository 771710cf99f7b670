#include "export/export_options.h"

#include "export/image_file_writer.h"
#include "export/scene_file_writer.h"
#include "export/svg_file_writer.h"
#include "export/text_file_writer.h"

#include <QSettings>

#include <algorithm>
#include <limits>

namespace pq {

namespace {
struct Switch {
    const char* key;
    bool ExportOptions::*member;
    bool fallback;
};
constexpr Switch kSwitches[] = {
    {kExportImageKey, &ExportOptions::exportImage, true},
    {kImageCoordinatesOverlayKey, &ExportOptions::imageCoordinatesOverlay, false},
    {kExportTextKey, &ExportOptions::exportText, true},
    {kExport3DKey, &ExportOptions::export3D, true},
    {kExportSVGKey, &ExportOptions::exportSVG, true},
};

std::int64_t largestAllowed(std::span<const std::int64_t> widths, std::int64_t cap, auto allowed)
{
    // The allowed zooms of each width form a range from 1 up; find the top of the range.
    std::int64_t low = 0, high = cap;
    while (low < high) {
        const std::int64_t mid = low + (high - low + 1) / 2;
        if (std::ranges::all_of(widths, [&](std::int64_t w) { return allowed(mid, w); }))
            low = mid;
        else
            high = mid - 1;
    }
    return low;
}
} // namespace

std::vector<ExportKind> ExportOptions::enabledKinds() const
{
    std::vector<ExportKind> kinds;
    if (exportImage)
        kinds.push_back(ExportKind::Image);
    if (exportText)
        kinds.push_back(ExportKind::Text);
    if (export3D)
        kinds.push_back(ExportKind::Scene);
    if (exportSVG)
        kinds.push_back(ExportKind::SVG);
    return kinds;
}

void registerExportDefaults(QSettings& settings)
{
    for (const Switch& s : kSwitches)
        if (!settings.contains(QLatin1String(s.key)))
            settings.setValue(QLatin1String(s.key), s.fallback);
}

ExportOptions loadExportSwitches(const QSettings& settings, ExportOptions options)
{
    for (const Switch& s : kSwitches)
        options.*s.member = settings.value(QLatin1String(s.key), s.fallback).toBool();
    return options;
}

void saveExportSwitches(QSettings& settings, const ExportOptions& options)
{
    for (const Switch& s : kSwitches)
        settings.setValue(QLatin1String(s.key), options.*s.member);
}

QStringList sceneFormatTitles()
{
    return {QString::fromUtf8(kColladaFormatTitle), QString::fromUtf8(kUsdzFormatTitle)};
}

bool isColladaTitle(const QString& title)
{
    return title == QLatin1String(kColladaFormatTitle);
}

std::vector<std::int64_t> widthsInPixels(std::span<const Bookmark> bookmarks)
{
    std::vector<std::int64_t> widths;
    for (const Bookmark& bookmark : bookmarks)
        if (bookmark.format().isDecodable())
            widths.push_back(bookmark.format().pixelsPerSide());
    std::ranges::sort(widths);
    const auto [first, last] = std::ranges::unique(widths);
    widths.erase(first, last);
    return widths;
}

bool canDisplayExportAsText(std::span<const Bookmark> bookmarks)
{
    return std::ranges::any_of(bookmarks, [](const Bookmark& b) { return b.bitDepth == 1; });
}

std::int64_t maxImageZoom(std::span<const std::int64_t> widths, bool overlay)
{
    return largestAllowed(widths, kMaxImageZoom,
                          [overlay](std::int64_t z, std::int64_t w) { return isImageZoomAllowed(z, w, overlay); });
}

std::int64_t maxTextZoom(std::span<const std::int64_t> widths)
{
    return largestAllowed(widths, kMaxTextZoom, &isTextZoomAllowed);
}

std::int64_t maxSVGZoom()
{
    return kMaxSVGZoom;
}

std::expected<void, ExportOptionsError> validateExportOptions(const ExportOptions& options,
                                                              std::span<const std::int64_t> widths)
{
    if (options.exportImage) {
        if (!imageFormatExtension(options.imageFormat))
            return std::unexpected(ExportOptionsError::UnknownImageFormat);
        if (options.imageZoom < 1)
            return std::unexpected(ExportOptionsError::ImageZoomTooSmall);
        if (options.imageZoom > maxImageZoom(widths, options.imageCoordinatesOverlay))
            return std::unexpected(ExportOptionsError::ImageZoomTooLarge);
    }
    if (options.exportText) {
        if (options.textZoom < 1)
            return std::unexpected(ExportOptionsError::TextZoomTooSmall);
        if (options.textZoom > maxTextZoom(widths))
            return std::unexpected(ExportOptionsError::TextZoomTooLarge);
    }
    if (options.exportSVG) {
        if (options.svgZoom < 1)
            return std::unexpected(ExportOptionsError::SVGZoomTooSmall);
        if (options.svgZoom > maxSVGZoom())
            return std::unexpected(ExportOptionsError::SVGZoomTooLarge);
    }
    return {};
}

} // namespace pq
