#pragma once

#include "document/headless_document_screen.h"

namespace pq::cli {

// The document screen of the command line: there is no list or browser to update; errors
// and the save-location question are remembered for the command to report.
class BookmarksScreen : public HeadlessDocumentScreen {
public:
    void showError(const QString& title, const QString& informativeText) override;
    void askSaveLocation(const SaveLocationRequest& request,
                         std::function<void(const SaveLocationAnswer&)> answer) override;

    // The folder of a store file that may not be written; empty when no save met that.
    const QString& deniedFolder() const { return m_deniedFolder; }

private:
    QString m_deniedFolder;
};

} // namespace pq::cli
