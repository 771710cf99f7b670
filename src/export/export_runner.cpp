#include "export/export_runner.h"

#include "export/export_file_name.h"
#include "export/image_file_writer.h"
#include "export/scene_file_writer.h"
#include "export/svg_file_writer.h"
#include "export/text_file_writer.h"

#include <QPromise>
#include <QtConcurrent/QtConcurrentRun>

namespace pq {

namespace {
std::expected<QString, ExportFileError> writeKind(ExportKind kind, const Bookmark& bookmark,
                                                  const ExportOptions& options, const QString& folder,
                                                  const PixelArray& pixels)
{
    switch (kind) {
    case ExportKind::Image:
        return writeImageFile(bookmark.nickname, options.imageZoom, folder, options.imageFormat,
                              options.imageCoordinatesOverlay, pixels);
    case ExportKind::Text: return writeTextFile(bookmark.nickname, options.textZoom, folder, pixels);
    case ExportKind::Scene:
        return writeSceneFile(bookmark.nickname, kExportBoxSize, folder, options.sceneIsCollada, pixels);
    case ExportKind::SVG: return writeSVGFile(bookmark.nickname, options.svgZoom, folder, pixels);
    }
    return std::unexpected(ExportFileError{ExportError::WriteFailed, {}, {}});
}
} // namespace

QString exportFileExtension(ExportKind kind, const ExportOptions& options)
{
    switch (kind) {
    case ExportKind::Image: return imageFormatExtension(options.imageFormat).value_or(QString());
    case ExportKind::Text: return QStringLiteral("txt");
    case ExportKind::Scene: return options.sceneIsCollada ? QStringLiteral("dae") : QStringLiteral("usdz");
    case ExportKind::SVG: return QStringLiteral("svg");
    }
    return {};
}

ExportReport runExport(ExportRequest request, const ExportCallbacks& callbacks)
{
    ExportReport report;
    const ExportOptions& options = request.options;
    const std::vector<ExportKind> kinds = options.enabledKinds();
    const std::vector<std::int64_t> widths = widthsInPixels(request.bookmarks);
    if (auto valid = validateExportOptions(options, widths); !valid) {
        const ExportError code = valid.error() == ExportOptionsError::UnknownImageFormat ? ExportError::UnknownImageFormat
                                                                                          : ExportError::InvalidZoom;
        report.failure = ExportFailure{{code, {}, {}}, valid.error(), {}, {}, {}};
        return report;
    }

    const auto total = static_cast<std::int64_t>(request.bookmarks.size() * kinds.size());
    std::int64_t done = 0;
    if (callbacks.progress)
        callbacks.progress(done, total);
    for (const Bookmark& bookmark : request.bookmarks) {
        if (kinds.empty())
            break;
        // Decoded once per bookmark: every kind gets the same pixels.
        std::optional<std::expected<Chunk, ChunkerError>> chunk;
        if (request.chunker) {
            request.chunker->setFormat(bookmark.format());
            chunk = request.chunker->chunkAt(bookmark.offset, bookmark.hasMask);
        }
        for (const ExportKind kind : kinds) {
            if (callbacks.isCancelled && callbacks.isCancelled()) {
                report.cancelled = true;
                return report;
            }
            const QString meant = exportFilePath(request.folder, bookmark.nickname, exportFileExtension(kind, options));
            if (chunk && !*chunk) {
                report.failure =
                    ExportFailure{{ExportError::DecodingFailed, meant, {}}, {}, bookmark, kind, chunk->error()};
                return report;
            }
            if (!chunk || (*chunk)->pixelArray.isEmpty()) {
                ++report.skippedFiles;
            } else {
                auto written = writeKind(kind, bookmark, options, request.folder, (*chunk)->pixelArray);
                if (!written) {
                    report.failure = ExportFailure{written.error(), {}, bookmark, kind, {}};
                    return report;
                }
                report.writtenFiles.push_back(*written);
                if (callbacks.fileWritten)
                    callbacks.fileWritten(*written);
            }
            if (callbacks.progress)
                callbacks.progress(++done, total);
        }
    }
    return report;
}

QFuture<ExportReport> startExport(ExportRequest request)
{
    return QtConcurrent::run(
        [](QPromise<ExportReport>& promise, ExportRequest request) {
            QString lastFile;
            ExportCallbacks callbacks;
            callbacks.fileWritten = [&lastFile](const QString& path) { lastFile = path; };
            callbacks.progress = [&](std::int64_t done, std::int64_t total) {
                promise.setProgressRange(0, static_cast<int>(std::min<std::int64_t>(total, INT_MAX)));
                promise.setProgressValueAndText(static_cast<int>(std::min<std::int64_t>(done, INT_MAX)), lastFile);
            };
            callbacks.isCancelled = [&promise] { return promise.isCanceled(); };
            promise.addResult(runExport(std::move(request), callbacks));
        },
        std::move(request));
}

} // namespace pq
