#pragma once

#include "decoding/chunker.h"
#include "document/bookmark.h"
#include "export/export_error.h"
#include "export/export_options.h"

#include <QFuture>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace pq {

// One export: a copy of the document's decoder (its format is changed per bookmark, the
// document's own decoder is never touched; absent when no document is open, and then every
// file is skipped), the bookmarks as they were when the export was asked for, the options
// and the folder every file goes into.
struct ExportRequest {
    std::optional<Chunker> chunker;
    std::vector<Bookmark> bookmarks;
    ExportOptions options;
    QString folder;
};

// Where an export stopped: the options refused before anything was written, or the file of
// one bookmark and kind that could not be written (or its chunk not decoded), and why.
struct ExportFailure {
    ExportFileError file;                           // code, the file meant, the system's explanation
    std::optional<ExportOptionsError> optionsError; // set when the options were refused
    std::optional<Bookmark> bookmark;               // the bookmark being exported
    std::optional<ExportKind> kind;                 // the kind being written
    std::optional<ChunkerError> chunkerError;       // set for DecodingFailed
};

struct ExportReport {
    std::vector<QString> writtenFiles;    // in writing order
    std::int64_t skippedFiles = 0;        // files skipped: no decoder, or a chunk without pixels
    std::optional<ExportFailure> failure; // the first failure; nothing after it was written
    bool cancelled = false;
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
// scene, SVG), each file named after the nickname directly inside the folder. A missing
// decoder or a chunk without pixels skips the files; the first failure or a cancel stops the export, and the
// files written before it stay.
ExportReport runExport(ExportRequest request, const ExportCallbacks& callbacks = {});

// runExport on the shared worker pool. The future reports progress (steps done of the
// total, the progress text being the last file written), can be cancelled (the export
// stops before its next file) and yields one ExportReport; a cancelled future holds no
// result (the files written before the cancel stay).
QFuture<ExportReport> startExport(ExportRequest request);

} // namespace pq
