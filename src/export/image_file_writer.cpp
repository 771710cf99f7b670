#include "export/image_file_writer.h"

#include "decoding/pixel_array_renderer.h"
#include "document/atomic_file_writer.h"
#include "export/export_file_name.h"

#include <QBuffer>
#include <QImageWriter>

namespace pq {

namespace {
struct ImageFormat {
    const char16_t* title;
    const char16_t* extension;
    const char* encoder;
};
constexpr ImageFormat kFormats[] = {
    {u"PNG", u"png", "png"},
    {u"BMP", u"bmp", "bmp"},
    {u"TIFF", u"tiff", "tiff"},
};

const ImageFormat* findFormat(const QString& title)
{
    for (const auto& format : kFormats)
        if (title == QStringView(format.title))
            return &format;
    return nullptr;
}
} // namespace

QStringList imageFormatTitles()
{
    QStringList titles;
    for (const auto& format : kFormats)
        titles << QString::fromUtf16(format.title);
    return titles;
}

std::optional<QString> imageFormatExtension(const QString& title)
{
    if (const ImageFormat* format = findFormat(title))
        return QString::fromUtf16(format->extension);
    return std::nullopt;
}

bool isImageZoomAllowed(std::int64_t zoomFactor, std::int64_t pixelsPerSide, bool overlay)
{
    if (pixelsPerSide < 0 || pixelsPerSide >= kMaxBitmapEdge)
        return false;
    const std::int64_t cells = pixelsPerSide + (overlay ? 1 : 0);
    return zoomFactor >= 1 && zoomFactor <= kMaxImageZoom && cells >= 1 && cells <= kMaxBitmapEdge / zoomFactor;
}

std::expected<QString, ExportFileError> writeImageFile(const std::string& name, std::int64_t zoomFactor,
                                                       const QString& folder, const QString& format, bool overlay,
                                                       const PixelArray& pixels)
{
    const ImageFormat* imageFormat = findFormat(format);
    if (!imageFormat)
        return std::unexpected(ExportFileError{ExportError::UnknownImageFormat, {}, format});
    const QString path = exportFilePath(folder, name, QString::fromUtf16(imageFormat->extension));

    auto image = makeBitmapImageRep(zoomFactor, overlay, pixels);
    if (!image)
        return std::unexpected(ExportFileError{ExportError::ImageNotCreated, path, {}});

    QByteArray encoded;
    {
        QBuffer buffer(&encoded);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, imageFormat->encoder);
        if (!writer.write(*image))
            return std::unexpected(ExportFileError{ExportError::EncoderProducedNothing, path, writer.errorString()});
    }
    if (encoded.isEmpty())
        return std::unexpected(ExportFileError{ExportError::EncoderProducedNothing, path, {}});
    if (auto written = writeFileAtomically(path, encoded); !written)
        return std::unexpected(exportWriteFailure(written.error()));
    return path;
}

} // namespace pq
