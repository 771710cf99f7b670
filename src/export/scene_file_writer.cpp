#include "export/scene_file_writer.h"

#include "document/atomic_file_writer.h"
#include "export/export_file_name.h"

namespace pq {

std::expected<QString, ExportFileError> writeSceneFile(const std::string& name, const QString& folder,
                                                       bool isCollada, const PixelArray& pixels)
{
    const QString path = exportFilePath(folder, name, isCollada ? QStringLiteral("dae") : QStringLiteral("usdz"));
    const PixelSceneNode node = buildPixelScene(pixels, kPixelBoxSize);
    const auto encoded = isCollada ? colladaDocument(node) : usdzPackage(usdaLayer(node));
    if (!encoded)
        return std::unexpected(ExportFileError{ExportError::SceneNotEncoded, path, encoded.error()});
    if (encoded->isEmpty())
        return std::unexpected(ExportFileError{ExportError::EncoderProducedNothing, path, {}});
    if (auto written = writeFileAtomically(path, *encoded); !written)
        return std::unexpected(exportWriteFailure(written.error()));
    return path;
}

} // namespace pq
