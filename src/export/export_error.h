#pragma once

#include "document/atomic_file_writer.h"

#include <QString>

#include <cstdint>

namespace pq {

// Why one export file was not written. Raw codes are stable: they appear in messages.
enum class ExportError : std::int64_t {
    WriteFailed = 0,            // the file system refused the file (detail: its own explanation)
    UnknownImageFormat = 1,     // an image format title other than "PNG", "BMP", "TIFF"
    ImageNotCreated = 2,        // the bitmap or its drawing context could not be made
    EncoderProducedNothing = 3, // the image or scene encoder produced no bytes
    SceneNotEncoded = 4,        // the scene writer refused the scene (detail: its own explanation)
    // 5 is not used: a bookmark that cannot be decoded is refused on its own (RefusedBookmark).
    InvalidZoom = 6,            // a zoom factor below 1 or too large for the file it sizes
    Cancelled = 7,              // the user stopped the export
};

const char* exportErrorName(ExportError error);

// One failed file: what went wrong, the file it was meant to become (empty when no file name
// was reached) and, where a library or the operating system explained it, that explanation.
struct ExportFileError {
    ExportError error = ExportError::WriteFailed;
    QString path;
    QString detail;
};

// A file the atomic writer could not write: WriteFailed with the system's reason.
ExportFileError exportWriteFailure(const FileWriteError& error);

} // namespace pq
