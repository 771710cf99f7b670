#pragma once

#include "sources/read_error.h"

#include <QString>

#include <cstdint>

namespace pq {

// Why a bookmark edit, a save or an import could not be completed. The first two codes keep
// the values of the controller's original error type; the rest name faults that this program
// refuses instead of losing data.
struct DocumentError {
    enum class Kind : std::int64_t {
        NoJSONFile = 0,              // the save-location question was confirmed without a location
        NoWindow = 1,                // a save was requested while the screen has no window
        DigestPending = 2,           // the open data's digest is still being computed
        BookmarkFileUnreadable = 3,  // the stored bookmarks file exists but cannot be read
        NoBookmarkStore = 4,         // the bookmark store folder could not be made
        EncodingFailed = 5,          // the document could not be encoded (e.g. invalid UTF-8 nickname)
        WriteFailed = 6,             // writing the bookmarks file failed for another reason
        PermissionDenied = 7,        // the place may not be written (handled by asking for another)
        InvalidIndex = 8,            // a bookmark row that does not exist
        MaskNotAllowed = 9,          // a mask switched on for a bookmark that is not 1-bit (detail: its bit depth)
        DataUnreadable = 10,         // the open data could not be read to its end (detail: why), so it has no digest
    };
    Kind kind = Kind::WriteFailed;
    QString path;   // the file or folder concerned, when there is one
    QString detail; // the system's description of a write failure, when there is one

    friend bool operator==(const DocumentError&, const DocumentError&) = default;
};

// The user-facing form of an error: a short title and one or two informative sentences.
struct DocumentErrorText {
    QString title;
    QString informativeText;
};
DocumentErrorText describeDocumentError(const DocumentError& error);

// A file of an intake batch could not be read.
struct IntakeError {
    QString path;
    ReadError error;
    QString message() const { return QString::fromStdString(error.message(path.toStdString())); }
};

} // namespace pq
