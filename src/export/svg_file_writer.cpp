#include "export/svg_file_writer.h"

#include "document/atomic_file_writer.h"
#include "export/export_file_name.h"

#include <cmath>
#include <cstdio>

namespace pq {

namespace {
long component8(double value)
{
    // Scale in double precision, convert to single precision, round halves away from zero.
    const float scaled = static_cast<float>(value * 255.0);
    return std::lround(scaled);
}

void appendNumber(QByteArray& out, std::int64_t value)
{
    out += QByteArray::number(static_cast<qlonglong>(value));
}
} // namespace

std::string colorHexString(const Color& color)
{
    if (color == Color::black())
        return "#000000";
    if (color == Color::white())
        return "#FFFFFF";
    char text[16];
    std::snprintf(text, sizeof text, "#%02lX%02lX%02lX", component8(color.redF()), component8(color.greenF()),
                  component8(color.blueF()));
    return text;
}

QByteArray svgDocument(const PixelArray& pixels, std::int64_t zoomFactor)
{
    QByteArray out;
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n";
    out += "<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\" \"http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd\">\n";
    out += "<svg width=\"";
    appendNumber(out, pixels.columns() * zoomFactor);
    out += "\" height=\"";
    appendNumber(out, zoomFactor * pixels.rows());
    out += "\" xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\">\n";

    QByteArray size;
    appendNumber(size, zoomFactor);
    std::int64_t y = 0;
    for (std::int64_t row = 0; row < pixels.rows(); ++row, y += zoomFactor) {
        std::int64_t x = 0;
        for (std::int64_t column = 0; column < pixels.columns(); ++column, x += zoomFactor) {
            const Color& color = pixels.at(row, column);
            if (color.isClear())
                continue;
            out += "<rect fill=\"";
            out += colorHexString(color);
            out += "\" x=\"";
            appendNumber(out, x);
            out += "\" y=\"";
            appendNumber(out, y);
            out += "\" width=\"" + size + "\" height=\"" + size + "\"/>\n";
        }
    }
    out += "</svg>\n";
    return out;
}

std::expected<QString, ExportFileError> writeSVGFile(const std::string& name, std::int64_t zoomFactor,
                                                     const QString& folder, const PixelArray& pixels)
{
    const QString path = exportFilePath(folder, name, QStringLiteral("svg"));
    if (zoomFactor < 1 || zoomFactor > kMaxSVGZoom)
        return std::unexpected(ExportFileError{ExportError::InvalidZoom, path, {}});
    if (auto written = writeFileAtomically(path, svgDocument(pixels, zoomFactor)); !written)
        return std::unexpected(exportWriteFailure(written.error()));
    return path;
}

} // namespace pq
