#include "export/export_error.h"

namespace pq {

const char* exportErrorName(ExportError error)
{
    switch (error) {
    case ExportError::WriteFailed: return "WriteFailed";
    case ExportError::UnknownImageFormat: return "UnknownImageFormat";
    case ExportError::ImageNotCreated: return "ImageNotCreated";
    case ExportError::EncoderProducedNothing: return "EncoderProducedNothing";
    case ExportError::SceneNotEncoded: return "SceneNotEncoded";
    case ExportError::InvalidZoom: return "InvalidZoom";
    case ExportError::Cancelled: return "Cancelled";
    }
    return "Unknown";
}

ExportFileError exportWriteFailure(const FileWriteError& error)
{
    return {ExportError::WriteFailed, error.path, error.reason()};
}

} // namespace pq
