#include "export/image_file_saver.h"

#include "document/atomic_file_writer.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageWriter>

namespace pq {

std::optional<QByteArray> imageEncoderForPath(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"png")
        return QByteArray("png");
    if (suffix == u"bmp")
        return QByteArray("bmp");
    if (suffix == u"tiff" || suffix == u"tif")
        return QByteArray("tiff");
    return std::nullopt;
}

std::expected<void, QString> saveImageAtomically(const QImage& image, const QString& path, const QByteArray& encoder)
{
    if (!QImageWriter::supportedImageFormats().contains(encoder))
        return std::unexpected(QStringLiteral("This system has no %1 image encoder (install the Qt image format plugins).")
                                   .arg(QString::fromLatin1(encoder.toUpper())));
    QByteArray encoded;
    {
        QBuffer buffer(&encoded);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, encoder);
        if (!writer.write(image))
            return std::unexpected(QStringLiteral("Could not encode \"%1\": %2").arg(path, writer.errorString()));
    }
    if (encoded.isEmpty())
        return std::unexpected(QStringLiteral("The %1 encoder produced no data for \"%2\".")
                                   .arg(QString::fromLatin1(encoder.toUpper()), path));
    if (auto written = writeFileAtomically(path, encoded); !written)
        return std::unexpected(QStringLiteral("Could not write \"%1\": %2").arg(path, written.error().reason()));
    return {};
}

} // namespace pq
