#include "document/document_error.h"

#include "document/clipped_name.h"

namespace pq {

DocumentErrorText describeDocumentError(const DocumentError& error)
{
    const QString notSaved = QStringLiteral("The bookmarks file could not be saved");
    using Kind = DocumentError::Kind;
    switch (error.kind) {
    case Kind::NoJSONFile:
        return {notSaved, QStringLiteral("No location was chosen for the bookmarks file.")};
    case Kind::NoWindow:
        return {notSaved, QStringLiteral("The document is not shown in a window.")};
    case Kind::DigestPending:
        return {QStringLiteral("The bookmarks are not ready yet"),
                QStringLiteral("The file's digest is still being computed. Try again when its bookmarks are listed.")};
    case Kind::BookmarkFileUnreadable:
        return {QStringLiteral("The bookmarks file cannot be read"),
                withDetail(QStringLiteral("The bookmarks file ") + quotedName(error.path) + QStringLiteral(" cannot be read"),
                           error.detail) +
                    QStringLiteral(" It is left as it is, and bookmarks cannot be changed until it is repaired or moved away.")};
    case Kind::NoBookmarkStore:
        return {QStringLiteral("Bookmarks cannot be stored"),
                QStringLiteral("The bookmarks folder ") + quotedName(error.path) +
                    QStringLiteral(" could not be created, so bookmarks of this file cannot be saved.")};
    case Kind::EncodingFailed:
        return {notSaved, withDetail(QStringLiteral("The bookmarks could not be encoded"), error.detail)};
    case Kind::WriteFailed:
        return {notSaved, withDetail(QStringLiteral("The bookmarks file ") + quotedName(error.path) +
                                         QStringLiteral(" could not be written"),
                                     error.detail)};
    case Kind::PermissionDenied:
        return {notSaved, QStringLiteral("You do not have permission to write ") + quotedName(error.path) + QLatin1Char('.')};
    case Kind::InvalidIndex:
        return {QStringLiteral("No such bookmark"),
                QStringLiteral("There is no bookmark at row ") + error.detail + QLatin1Char('.')};
    case Kind::MaskNotAllowed:
        return {QStringLiteral("The mask cannot be switched on"),
                QStringLiteral("Only 1-bit icons have a mask; this bookmark is %1-bit.").arg(error.detail)};
    case Kind::DataUnreadable:
        return {QStringLiteral("The bookmarks cannot be changed"),
                error.detail + QStringLiteral(" Its bookmarks are named by the digest of all its bytes, so they cannot be opened.")};
    }
    return {notSaved, error.detail};
}

} // namespace pq
