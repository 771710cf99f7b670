#include "export/image_file_saver.h"

#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return std::unexpected(QStringLiteral("Could not create \"%1\": %2").arg(path, file.errorString()));
    QImageWriter writer(&file, encoder);
    if (!writer.write(image)) {
        file.cancelWriting();
        return std::unexpected(QStringLiteral("Could not encode \"%1\": %2").arg(path, writer.errorString()));
    }
    if (file.size() == 0) {
        file.cancelWriting();
        return std::unexpected(QStringLiteral("The %1 encoder produced no data for \"%2\".")
                                   .arg(QString::fromLatin1(encoder.toUpper()), path));
    }
    if (!file.commit())
        return std::unexpected(QStringLiteral("Could not write \"%1\": %2").arg(path, file.errorString()));
    return {};
}

} // namespace pq
