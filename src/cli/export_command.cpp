// pixelquarry-cli export: writes the bookmarked icons of a file as images, text art, 3D
// scenes and SVG drawings, through the same export runner as the desktop program's export.
#include "cli/cli_support.h"
#include "cli/commands.h"
#include "document/bookmark_file_json.h"
#include "document/bookmark_store.h"
#include "document/clipped_name.h"
#include "export/export_runner.h"
#include "decoding/pixel_array_renderer.h"
#include "export/family_export.h"
#include "finder/icon_family.h"
#include "finder/structured_icon_finder.h"
#include "export/image_file_writer.h"
#include "export/svg_file_writer.h"
#include "export/text_file_writer.h"

#include <QFileInfo>

#include <algorithm>
#include <array>
#include <iostream>
#include <memory>
#include <optional>
#include <ranges>

namespace pq::cli {

namespace {

struct ExportArguments {
    std::string path;
    PartArguments part;
    std::string folder;
    std::vector<std::string> kinds{"image", "text", "3d", "svg"};
    std::string imageFormat = "PNG";
    std::int64_t imageZoom = ExportOptions::kDefaultImageZoom;
    bool ruler = false;
    std::int64_t textZoom = ExportOptions::kDefaultTextZoom;
    std::int64_t svgZoom = ExportOptions::kDefaultSVGZoom;
    std::string sceneFormat = "dae";
    std::optional<std::string> bookmarksPath;
    std::optional<int> familyId;
};

ExportOptions optionsFrom(const ExportArguments& a)
{
    ExportOptions options;
    auto has = [&](const char* kind) { return std::ranges::find(a.kinds, kind) != a.kinds.end(); };
    options.exportImage = has("image");
    options.exportText = has("text");
    options.export3D = has("3d");
    options.exportSVG = has("svg");
    options.imageFormat = QString::fromStdString(a.imageFormat);
    options.imageZoom = a.imageZoom;
    options.imageCoordinatesOverlay = a.ruler;
    options.textZoom = a.textZoom;
    options.svgZoom = a.svgZoom;
    options.sceneIsCollada = a.sceneFormat == "dae";
    return options;
}

std::string describeOptionsError(ExportOptionsError error, const ExportOptions& o, std::span<const std::int64_t> widths)
{
    switch (error) {
    case ExportOptionsError::UnknownImageFormat:
        return "Unknown image format \"" + o.imageFormat.toStdString() + "\": use PNG, BMP or TIFF.";
    case ExportOptionsError::ImageZoomTooSmall: return "--image-zoom must be at least 1.";
    case ExportOptionsError::ImageZoomTooLarge:
        return "--image-zoom " + std::to_string(o.imageZoom) + " is too large: images are at most " +
               std::to_string(kMaxBitmapEdge) + " pixels a side, so the zoom can be at most " +
               std::to_string(maxImageZoom(widths, o.imageCoordinatesOverlay)) + " here.";
    case ExportOptionsError::TextZoomTooSmall: return "--text-zoom must be at least 1.";
    case ExportOptionsError::TextZoomTooLarge:
        return "--text-zoom " + std::to_string(o.textZoom) + " is too large: text lines are at most " +
               std::to_string(kMaxTextEdge) + " characters, so the zoom can be at most " +
               std::to_string(maxTextZoom(widths)) + " here.";
    case ExportOptionsError::SVGZoomTooSmall: return "--svg-zoom must be at least 1.";
    case ExportOptionsError::SVGZoomTooLarge:
        return "--svg-zoom " + std::to_string(o.svgZoom) + " is too large: at most " + std::to_string(maxSVGZoom()) + ".";
    }
    return "The export options are not usable.";
}

std::string describeBookmark(const Bookmark& b)
{
    return "bookmark " + quotedName(b.nickname) + " at offset " + std::to_string(b.offset);
}

std::string describeFailure(const ExportFailure& failure)
{
    const std::string detail = failure.file.detail.toStdString();
    std::string what = quotedName(failure.file.path.toStdString());
    if (failure.bookmark)
        what += " (" + describeBookmark(*failure.bookmark) + ")";
    switch (failure.file.error) {
    case ExportError::WriteFailed: return "Could not write " + what + ": " + detail;
    case ExportError::ImageNotCreated: return "Could not create the image for " + what + ".";
    case ExportError::EncoderProducedNothing:
        return "The encoder produced no data for " + what + (detail.empty() ? "." : ": " + detail);
    case ExportError::SceneNotEncoded: return "The scene writer could not write " + what + ": " + detail;
    case ExportError::UnknownImageFormat:
    case ExportError::InvalidZoom:
    case ExportError::Cancelled: break;
    }
    return std::string("Could not write ") + what + " (" + exportErrorName(failure.file.error) + ").";
}

std::string describeRefusal(const RefusedBookmark& refused, std::int64_t fileSize)
{
    const Bookmark& b = refused.bookmark;
    std::string text = describeBookmark(b);
    text[0] = 'B';
    return text + " was not exported. " + describeChunkerError(refused.error, b.format(), b.offset, fileSize, b.mask());
}

// The bookmarks to export: those of a bookmarks file when one is named (it must belong to the
// data), else those kept in the store for the data's digest.
std::optional<std::vector<Bookmark>> loadBookmarks(const ExportArguments& a, const ByteSource& data)
{
    const auto digested = digestOrReport(data, a.path);
    if (!digested)
        return std::nullopt;
    const std::string& digest = *digested;
    if (a.bookmarksPath) {
        auto text = readBookmarksFileOrReport(*a.bookmarksPath);
        if (!text)
            return std::nullopt;
        auto file = decodeBookmarkFile(std::string_view(*text));
        if (!file) {
            printError(quotedName(*a.bookmarksPath) + " is not a readable bookmarks file: " + file.error().message() + ".");
            return std::nullopt;
        }
        if (file->sha256 != digest) {
            printError(quotedName(*a.bookmarksPath) + " holds the bookmarks of other data (its digest " + clippedName(file->sha256) +
                       " differs from " + digest + " of " + quotedName(a.path) + "); nothing was exported.");
            return std::nullopt;
        }
        return file->bookmarks;
    }
    const BookmarkStore store;
    const QString storePath = store.pathFor(digest);
    const StoredBookmarkFile stored = store.load(storePath);
    switch (stored.state) {
    case StoredBookmarkFile::State::Absent: return std::vector<Bookmark>{};
    case StoredBookmarkFile::State::Loaded: return stored.file.bookmarks;
    case StoredBookmarkFile::State::Unreadable: break;
    }
    printError("The bookmarks file " + quotedName(storePath.toStdString()) + " cannot be read: " + stored.reason.toStdString());
    return std::nullopt;
}

// The family of resource ID `id` in the first resource fork of `data` holding one, each member
// decoded through its mask, named after the first resource name among them.
int runFamilyExport(const ExportArguments& a, const std::shared_ptr<const ByteSource>& data, const QString& folder)
{
    const auto found = findStructuredIcons(*data);
    if (!found) { // nothing here cancels the search: a read failed
        printError(found.error().read.message(a.path));
        return 1;
    }
    const auto families = groupIconFamilies(*found);
    const auto family = std::ranges::find_if(families, [&](const IconFamily& f) {
        return f.id == a.familyId && std::ranges::any_of(f.members, [](const StructuredIcon& m) { return classicFamilyRank(m.type).has_value(); });
    });
    if (family == families.end()) {
        printError(quotedName(a.path) + " holds no icon family with resource ID " + std::to_string(*a.familyId) +
                   "; nothing was exported.");
        return 1;
    }
    const auto members = decodeFamilyMembers(data, family->members);
    if (!members) {
        const StructuredIcon& icon = members.error().icon;
        printError(describeChunkerError(members.error().error, IconFormat::square(icon.bitDepth, icon.side), icon.offset,
                                        data->size(), icon.mask()));
        return 1;
    }
    const auto written = writeIconFamily(familyFileName(family->members), *members, folder);
    for (const QString& path : written ? *written : QStringList{})
        std::cout << path.toStdString() << std::endl;
    if (!written) {
        printError(describeFailure({written.error(), {}, {}, {}}));
        return 1;
    }
    return 0;
}

int runExportCommand(const ExportArguments& a)
{
    const ExportOptions options = optionsFrom(a);
    const QString folder = QString::fromStdString(a.folder);
    if (!QFileInfo(folder).isDir()) {
        printError(quotedName(a.folder) + " is not a folder.");
        return 1;
    }
    const auto opened = openDataOrReport(a.path, a.part);
    if (!opened)
        return 1;
    const auto& data = opened->source;
    if (a.familyId)
        return runFamilyExport(a, data, folder);
    const auto bookmarks = loadBookmarks(a, *data);
    if (!bookmarks)
        return 1;
    const std::vector<std::int64_t> widths = widthsInPixels(*bookmarks);
    if (auto valid = validateExportOptions(options, widths); !valid) {
        printError(describeOptionsError(valid.error(), options, widths));
        return 2;
    }
    if (bookmarks->empty()) {
        printError(quotedName(a.path) + " has no bookmarks; nothing was exported.");
        return 0;
    }
    ExportCallbacks callbacks;
    callbacks.fileWritten = [](const QString& path) { std::cout << path.toStdString() << std::endl; };
    const ExportReport report = runExport({data, *bookmarks, options, folder}, callbacks);
    for (const RefusedBookmark& refused : report.refused)
        printError(describeRefusal(refused, data->size()));
    if (report.failure)
        printError(describeFailure(*report.failure));
    return report.failure || !report.refused.empty() ? 1 : 0;
}

} // namespace

Action addExportCommand(CLI::App& app)
{
    auto* cmd = app.add_subcommand("export", "Write the bookmarked icons of a file as images, text art, 3D scenes and SVG");
    auto a = std::make_shared<ExportArguments>();
    cmd->add_option("FILE", a->path, "The data file whose bookmarks are exported")->required();
    addPartOptions(*cmd, a->part);
    cmd->add_option("--to,--out", a->folder, "The folder the files are written into (it must exist)")->required();
    cmd->add_option("--kinds", a->kinds, "Kinds of file, comma-separated: image, text, 3d, svg")
        ->delimiter(',')
        ->check(CLI::IsMember({"image", "text", "3d", "svg"}))
        ->capture_default_str();
    cmd->add_option("--image-format", a->imageFormat, "Image format")
        ->check(CLI::IsMember({"PNG", "BMP", "TIFF"}))
        ->capture_default_str();
    cmd->add_option("--image-zoom", a->imageZoom, "Image pixels per icon pixel")->capture_default_str();
    cmd->add_flag("--ruler", a->ruler, "Frame images with numbered coordinate rulers");
    cmd->add_option("--text-zoom", a->textZoom, "Characters and lines per icon pixel in text art")->capture_default_str();
    cmd->add_option("--svg-zoom", a->svgZoom, "SVG units per icon pixel")->capture_default_str();
    cmd->add_option("--scene-format", a->sceneFormat, "3D scene format")
        ->check(CLI::IsMember({"dae", "usdz"}))
        ->capture_default_str();
    cmd->add_option("--bookmarks", a->bookmarksPath,
                    "Export the bookmarks of this bookmarks file (its digest must match FILE) instead of the stored ones");
    cmd->add_option("--family", a->familyId,
                    "Instead of the bookmarks, export the icon family of this resource ID (the first resource fork "
                    "holding one) as PNG images, a Windows .ico and a macOS .icns");
    return [a] { return runExportCommand(*a); };
}

} // namespace pq::cli
