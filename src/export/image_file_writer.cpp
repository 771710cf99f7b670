#include "export/image_file_writer.h"

#include "decoding/pixel_array_renderer.h"
#include "document/atomic_file_writer.h"
#include "export/export_file_name.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageWriter>

namespace pq {

namespace {
// The one table of image formats: menu title, file name extension, encoder, and a second
// extension read as the same format in paths.
struct ImageFormat {
    const char16_t* title;
    const char16_t* extension;
    const char* encoder;
    const char16_t* otherExtension;
};
constexpr ImageFormat kFormats[] = {
    {u"PNG", u"png", "png", nullptr},
    {u"BMP", u"bmp", "bmp", nullptr},
    {u"TIFF", u"tiff", "tiff", u"tif"},
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

std::optional<QByteArray> imageEncoderForPath(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix();
    for (const auto& format : kFormats)
        if (suffix.compare(QStringView(format.extension), Qt::CaseInsensitive) == 0 ||
            (format.otherExtension && suffix.compare(QStringView(format.otherExtension), Qt::CaseInsensitive) == 0))
            return QByteArray(format.encoder);
    return std::nullopt;
}

std::expected<QByteArray, ExportFileError> encodeImage(const QImage& image, const QByteArray& encoder,
                                                       const QString& path)
{
    QByteArray encoded;
    {
        QBuffer buffer(&encoded);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, encoder);
        if (!writer.write(image))
            return std::unexpected(ExportFileError{ExportError::EncoderProducedNothing, path, writer.errorString()});
    }
    if (encoded.isEmpty())
        return std::unexpected(ExportFileError{ExportError::EncoderProducedNothing, path, {}});
    return encoded;
}

std::expected<void, ExportFileError> writeImageAtomically(const QImage& image, const QString& path,
                                                          const QByteArray& encoder)
{
    const auto encoded = encodeImage(image, encoder, path);
    if (!encoded)
        return std::unexpected(encoded.error());
    if (auto written = writeFileAtomically(path, *encoded); !written)
        return std::unexpected(exportWriteFailure(written.error()));
    return {};
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

    if (auto written = writeImageAtomically(*image, path, imageFormat->encoder); !written)
        return std::unexpected(written.error());
    return path;
}

} // namespace pq
