#include "export/text_file_writer.h"

#include "document/atomic_file_writer.h"
#include "export/export_file_name.h"

#include <algorithm>

namespace pq {

bool isTextZoomAllowed(std::int64_t zoomFactor, std::int64_t pixelsPerSide)
{
    return zoomFactor >= 1 && zoomFactor <= kMaxTextZoom && pixelsPerSide >= 0 &&
           pixelsPerSide <= kMaxTextEdge / zoomFactor;
}

QByteArray textDocument(const PixelArray& pixels, std::int64_t zoomFactor)
{
    static const QByteArray ink = QByteArrayLiteral("\xE2\x96\x8A"); // U+258A
    const qsizetype zoom = static_cast<qsizetype>(zoomFactor);
    const QByteArray inkRun = ink.repeated(zoom);
    const QByteArray blankRun(zoom, ' ');
    QByteArray out;
    for (std::int64_t row = 0; row < pixels.rows(); ++row) {
        QByteArray line;
        for (std::int64_t column = 0; column < pixels.columns(); ++column)
            line += pixels.at(row, column) == Color::black() ? inkRun : blankRun;
        line += '\n';
        out += line.repeated(zoom);
    }
    return out;
}

std::expected<QString, ExportFileError> writeTextFile(const std::string& name, std::int64_t zoomFactor,
                                                      const QString& folder, const PixelArray& pixels)
{
    const QString path = exportFilePath(folder, name, QStringLiteral("txt"));
    if (!isTextZoomAllowed(zoomFactor, std::max(pixels.rows(), pixels.columns())))
        return std::unexpected(ExportFileError{ExportError::InvalidZoom, path, {}});
    if (auto written = writeFileAtomically(path, textDocument(pixels, zoomFactor)); !written)
        return std::unexpected(exportWriteFailure(written.error()));
    return path;
}

} // namespace pq
