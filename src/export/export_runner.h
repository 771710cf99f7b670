#pragma once

#include "decoding/chunker.h"
#include "document/bookmark.h"
#include "export/export_error.h"
#include "export/export_options.h"

#include <QFuture>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace pq {

// One export: the document's bytes (a shared source, never copied; absent when no document is open,
// and then every file is skipped), the bookmarks as they were when the export was asked for,
// the options and the folder every file goes into. Each bookmark is decoded in its own
// format, whatever format the document is shown in.
struct ExportRequest {
    std::shared_ptr<const ByteSource> source;
    std::vector<Bookmark> bookmarks;
    ExportOptions options;
    QString folder;
};

// Where an export stopped: the options refused before anything was written, or the file of
// one bookmark and kind that could not be written, and why.
struct ExportFailure {
    ExportFileError file;                           // code, the file meant, the system's explanation
    std::optional<ExportOptionsError> optionsError; // set when the options were refused
    std::optional<Bookmark> bookmark;               // the bookmark being exported
    std::optional<ExportKind> kind;                 // the kind being written
};

// A bookmark that cannot be decoded (a format the decoder refuses, or an icon running past
// the end of the data): none of its files were written.
struct RefusedBookmark {
    Bookmark bookmark;
    ChunkerError error;
};

struct ExportReport {
    std::vector<QString> writtenFiles;     // in writing order
    std::int64_t skippedFiles = 0;         // files skipped: no data, or a chunk without pixels
    std::vector<RefusedBookmark> refused;  // in bookmark order; the other bookmarks were still written
    std::optional<ExportFailure> failure;  // the first failure; nothing after it was written
    bool cancelled = false;                // stopped by a cancel before every file was written
};

// Hooks for following a running export; all optional. `progress` reports finished steps
// (one step per bookmark and kind switched on) out of the total.
struct ExportCallbacks {
    std::function<void(const QString& path)> fileWritten;
    std::function<void(std::int64_t done, std::int64_t total)> progress;
    std::function<bool()> isCancelled;
};

// The file extension a kind is written with under the options ("png", "txt", "dae", ...).
QString exportFileExtension(ExportKind kind, const ExportOptions& options);

// Runs the export in the calling thread. The options are checked against the bookmarks'
// widths first. Then, for each bookmark in order, its chunk is decoded with the bookmark's
// own format and mask and the kinds switched on are written in order (image, text, 3D
// scene, SVG), each file named after the nickname directly inside the folder. Within one
// export a name is never written twice: a bookmark whose file names were already written
// gets the next free number for all its kinds ("same 2.png", "same 2.txt"); files that were
// in the folder before are replaced. A bookmark that cannot be decoded is refused and the
// export goes on; missing data or a chunk without pixels skips the files; the first
// failure to write a file or a cancel stops the export, and the files written before stay.
ExportReport runExport(ExportRequest request, const ExportCallbacks& callbacks = {});

// runExport on the shared worker pool. The future reports progress (steps done of the
// total, the progress text being the last file written) and yields one ExportReport.
// Setting `stop` stops the export before its next file, and the report then tells what was
// written (cancelled only when files were left unwritten). Cancelling the future itself
// stops it too, but a cancelled future holds no result.
QFuture<ExportReport> startExport(ExportRequest request, std::shared_ptr<const std::atomic_bool> stop = {});

} // namespace pq
