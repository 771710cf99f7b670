#pragma once

#include "document/document_error.h"

#include <QMetaType>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>

namespace pq {

// What an import of a bookmarks file did.
struct ImportReport {
    enum class Outcome {
        Imported,      // the file belongs to the open data; see the counts
        Unreadable,    // the file is not a bookmarks document
        NoData,        // no data is open
        OtherData,     // the file belongs to other data (its digest differs)
        Deferred,      // waits for the open data's digest; importFinished() tells the result
        NotStored,     // the open data has no usable bookmarks file (see failure)
    };
    Outcome outcome = Outcome::Unreadable;
    QString path;            // the imported file
    std::int64_t added = 0;  // bookmarks appended and saved
    std::int64_t present = 0; // bookmarks whose key was held already
    std::int64_t total = 0;   // bookmarks in the imported file
    std::optional<DocumentError> failure; // the save that stopped the import, or why none could be stored
    std::string readError;   // Unreadable: why the file is not a bookmarks document
    std::string fileDigest;  // OtherData: the digest the file names
};

} // namespace pq

Q_DECLARE_METATYPE(pq::ImportReport)
