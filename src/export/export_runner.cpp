#include "export/export_runner.h"

#include "export/export_file_name.h"
#include "export/image_file_writer.h"
#include "export/scene_file_writer.h"
#include "export/svg_file_writer.h"
#include "export/text_file_writer.h"

#include <QHash>
#include <QPromise>
#include <QSet>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

namespace pq {

namespace {
std::expected<QString, ExportFileError> writeKind(ExportKind kind, const std::string& name, const ExportOptions& options,
                                                  const QString& folder, const PixelArray& pixels)
{
    switch (kind) {
    case ExportKind::Image:
        return writeImageFile(name, options.imageZoom, folder, options.imageFormat, options.imageCoordinatesOverlay,
                              pixels);
    case ExportKind::Text: return writeTextFile(name, options.textZoom, folder, pixels);
    case ExportKind::Scene: return writeSceneFile(name, folder, options.sceneIsCollada, pixels);
    case ExportKind::SVG: return writeSVGFile(name, options.svgZoom, folder, pixels);
    }
    return std::unexpected(ExportFileError{ExportError::WriteFailed, {}, {}});
}

// The file names given out in one export. A bookmark gets the lowest number (counting from
// the one its stem was last given) at which none of its names was given out yet; names are
// compared case-folded, so that folders on case-blind file systems cannot merge two files.
class FileNameClaims {
public:
    std::vector<QString> claim(const std::string& nickname, const std::vector<QString>& extensions)
    {
        std::int64_t& number = m_nextNumber[safeFileStem(nickname)];
        std::vector<QString> names;
        for (number = std::max<std::int64_t>(number, 1);; ++number) {
            names.clear();
            for (const QString& extension : extensions)
                names.push_back(exportFileName(nickname, extension, number));
            if (std::ranges::none_of(names, [&](const QString& name) { return m_given.contains(name.toCaseFolded()); }))
                break;
        }
        ++number;
        for (const QString& name : names)
            m_given.insert(name.toCaseFolded());
        return names;
    }

private:
    QHash<QString, std::int64_t> m_nextNumber;
    QSet<QString> m_given;
};
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
        report.failure = ExportFailure{{code, {}, {}}, valid.error(), {}, {}};
        return report;
    }
    std::vector<QString> extensions;
    for (const ExportKind kind : kinds)
        extensions.push_back(exportFileExtension(kind, options));

    const auto steps = static_cast<std::int64_t>(kinds.size());
    const auto total = static_cast<std::int64_t>(request.bookmarks.size()) * steps;
    std::int64_t done = 0;
    if (callbacks.progress)
        callbacks.progress(done, total);
    FileNameClaims names;
    for (const Bookmark& bookmark : request.bookmarks) {
        if (kinds.empty())
            break;
        if (!request.source) {
            report.skippedFiles += steps;
            done += steps;
            if (callbacks.progress)
                callbacks.progress(done, total);
            continue;
        }
        // Decoded once per bookmark, in its own format: every kind gets the same pixels.
        const auto chunk = Chunker::decode(request.source, bookmark.format(), bookmark.offset, bookmark.mask());
        if (!chunk) {
            report.refused.push_back({bookmark, chunk.error()});
            done += steps;
            if (callbacks.progress)
                callbacks.progress(done, total);
            continue;
        }
        const bool empty = chunk->pixelArray.isEmpty();
        const std::vector<QString> fileNames = empty ? std::vector<QString>{} : names.claim(bookmark.nickname, extensions);
        for (std::size_t k = 0; k < kinds.size(); ++k) {
            if (empty) {
                ++report.skippedFiles;
            } else {
                if (callbacks.isCancelled && callbacks.isCancelled()) {
                    report.cancelled = true;
                    return report;
                }
                // The name is final: the writer's own naming leaves it as it is.
                const std::string stem = fileNames[k].chopped(extensions[k].size() + 1).toStdString();
                auto written = writeKind(kinds[k], stem, options, request.folder, chunk->pixelArray);
                if (!written) {
                    report.failure = ExportFailure{written.error(), {}, bookmark, kinds[k]};
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

QFuture<ExportReport> startExport(ExportRequest request, std::shared_ptr<const std::atomic_bool> stop)
{
    return QtConcurrent::run(
        [](QPromise<ExportReport>& promise, ExportRequest request, std::shared_ptr<const std::atomic_bool> stop) {
            QString lastFile;
            ExportCallbacks callbacks;
            callbacks.fileWritten = [&lastFile](const QString& path) { lastFile = path; };
            callbacks.progress = [&](std::int64_t done, std::int64_t total) {
                promise.setProgressRange(0, static_cast<int>(std::min<std::int64_t>(total, INT_MAX)));
                promise.setProgressValueAndText(static_cast<int>(std::min<std::int64_t>(done, INT_MAX)), lastFile);
            };
            callbacks.isCancelled = [&promise, &stop] { return promise.isCanceled() || (stop && stop->load()); };
            promise.addResult(runExport(std::move(request), callbacks));
        },
        std::move(request), std::move(stop));
}

} // namespace pq
