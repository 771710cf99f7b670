#pragma once

#include "decoding/chunker.h"
#include "document/bookmark.h"

#include <QString>

#include <cstdint>

namespace pq {

// What the bookmark list and its rows need of the window that holds the document. Edits are
// saved by the host, which then tells the list's model which rows changed.
class BookmarkListHost {
public:
    virtual ~BookmarkListHost() = default;
    virtual const BookmarkFile* bookmarkFile() const = 0;
    virtual const Chunker* chunker() const = 0;

    // Renames the bookmark of this row (several rows may share a key); false when refused.
    virtual bool renameBookmark(int row, const QString& nickname) = 0;
    virtual void deleteBookmark(const BookmarkKey& key) = 0;
    virtual void setBookmarkMask(int row, bool hasMask) = 0;
    // Makes the icon browser switch to the bookmark's format and select its tile.
    virtual void showBookmarkInBrowser(const Bookmark& bookmark) = 0;

    // Export and the 3D view: the buttons stay disabled while these answer false.
    virtual bool canExportBookmarks() const { return false; }
    virtual void exportBookmarks(const std::vector<Bookmark>& bookmarks) { (void)bookmarks; }
    virtual bool canOpenSceneViewer() const { return false; }
    virtual void openSceneViewer(const Bookmark& bookmark) { (void)bookmark; }
};

} // namespace pq
