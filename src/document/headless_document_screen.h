#pragma once

#include "document/document_screen.h"

namespace pq {

// A document screen without a bookmark list, an icon browser or a window title to update, as
// for a command or a benchmark; what remains to show is up to the subclass.
class HeadlessDocumentScreen : public DocumentScreen {
public:
    void showInformation(const QString&, const QString&) override {}
    void refreshBookmarks() override {}
    void selectBookmarkRow(int) override {}
    void scrollToBookmarkRow(int) override {}
    void resetBrowserSettings() override {}
    void reloadBrowserFromFirstTile() override {}
    void setWindowTitle(const QString&) override {}
    void setHintVisible(bool) override {}
};

} // namespace pq
