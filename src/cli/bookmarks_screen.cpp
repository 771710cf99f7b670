#include "cli/bookmarks_screen.h"

#include "cli/cli_support.h"

namespace pq::cli {

void BookmarksScreen::showError(const QString& title, const QString& informativeText)
{
    printError((title + QStringLiteral(": ") + informativeText).toStdString());
}

void BookmarksScreen::askSaveLocation(const SaveLocationRequest& request,
                                      std::function<void(const SaveLocationAnswer&)> answer)
{
    // No one to ask: the command reports the folder and fails; nothing is written elsewhere.
    m_deniedFolder = request.folder;
    answer(SaveLocationAnswer{SaveLocationAnswer::Kind::Cancelled, {}});
}

} // namespace pq::cli
