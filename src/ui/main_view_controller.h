#pragma once

#include "document/document_controller.h"
#include "document/document_intake.h"
#include "document/document_screen.h"
#include "ui/bookmark_list_host.h"
#include "ui/drop_zone.h"
#include "ui/icon_browser_host.h"

#include <QStringList>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QMessageBox;
class QProgressBar;
class QPushButton;
class QSplitter;

namespace pq {

class BookmarkListViewController;
class IconBrowserViewController;

// The main window's content: the drop zone holding the icon browser and the bookmark list in a
// split view (the main window moves the list into a side panel), and the progress row of long
// reads. It shows the document that its
// DocumentController holds and carries out what that controller asks of the screen; errors
// reach the user only through displayErrorWithError (a window-modal alert).
class MainViewController : public QWidget,
                           public DocumentScreen,
                           public IconBrowserHost,
                           public BookmarkListHost,
                           public DropZone::Delegate {
    Q_OBJECT
public:
    static constexpr const char* kHelpAddress = "https://pixelquarry.org/help/help";

    explicit MainViewController(QWidget* parent = nullptr);
    ~MainViewController() override;

    DocumentController& document() { return *m_document; }
    DropZone* dropZone() const { return m_dropZone; }
    QSplitter* splitView() const { return m_splitter; }
    // The panes: the browser is the first child of its class, or nothing; the bookmark list is
    // the one this controller made, wherever the window shows it.
    IconBrowserViewController* iconBrowserViewController() const;
    BookmarkListViewController* bookmarkListViewController() const;

    // Files from the open panel, the command line or the desktop: bookmarks files are imported
    // first, then the others opened, each read in a worker. `done` gets the failure, if any.
    void openFiles(const QStringList& paths, DocumentIntake::Done done = {});
    // The open panel: files only, several at once; a failure is shown in an alert.
    void openDocument();
    // Opens the help page in the default web browser.
    static void showHelp();

    void displayErrorWithError(const QString& title, const QString& informativeText) override;
    // The alert on show, if one is open.
    QMessageBox* currentAlert() const;

    // DocumentScreen
    bool hasWindow() const override;
    void showError(const QString& title, const QString& informativeText) override;
    void showInformation(const QString& title, const QString& informativeText) override;
    void showStatus(const QString& text) override;
    void askSaveLocation(const SaveLocationRequest& request,
                         std::function<void(const SaveLocationAnswer&)> answer) override;
    void refreshBookmarks() override;
    void selectBookmarkRow(int row) override;
    void scrollToBookmarkRow(int row) override;
    void resetBrowserSettings() override;
    void reloadBrowserFromFirstTile() override;
    void setWindowTitle(const QString& title) override;
    void setHintVisible(bool visible) override;
    void beginProgress(const QString& label, std::function<void()> cancel) override;
    void updateProgress(std::int64_t done, std::int64_t total) override;
    void endProgress() override;

    // IconBrowserHost and BookmarkListHost
    const Chunker* chunker() const override;
    void setChunkerParameters(std::int64_t bitDepth, std::int64_t widthInBits) override;
    void setMustShowPixelGrid(bool on) override;
    const BookmarkFile* bookmarkFile() const override;
    bool renameBookmark(int row, const QString& nickname) override;
    void deleteBookmark(const BookmarkKey& key) override;
    void setBookmarkMask(int row, bool hasMask) override;
    void showBookmarkInBrowser(const Bookmark& bookmark) override;
    // Export (the rows' export buttons and export-all) and the 3D view (the rows' view buttons).
    bool canExportBookmarks() const override { return true; }
    // Shows the export dialog window-modally for these bookmarks and returns at once; without
    // a shown window nothing is offered (the failure is shown where it can be: nowhere).
    void exportBookmarks(const std::vector<Bookmark>& bookmarks) override;
    bool canOpenSceneViewer() const override { return true; }
    // Opens a new 3D viewer window for the bookmark, decoded with a copy of the document's
    // decoder; a bookmark that cannot be decoded opens nothing.
    void openSceneViewer(const Bookmark& bookmark) override;

    // DropZone::Delegate: failures of a drop are not shown.
    void processDroppedFiles(const QStringList& paths) override;

signals:
    // A line for the status bar.
    void statusMessage(const QString& text);

private:
    void showAlert(bool isError, const QString& title, const QString& informativeText);
    bool report(const std::expected<void, DocumentError>& result);

    DropZone* m_dropZone = nullptr;
    QSplitter* m_splitter = nullptr;
    IconBrowserViewController* m_browser = nullptr;
    QPointer<BookmarkListViewController> m_list;
    QWidget* m_progressRow = nullptr;
    QLabel* m_progressLabel = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QPushButton* m_progressCancel = nullptr;
    std::function<void()> m_cancel;
    QPointer<QMessageBox> m_alert; // clears itself when the alert closes
    std::unique_ptr<DocumentController> m_document;
};

} // namespace pq
