#pragma once

#include "document/document_controller.h"
#include "document/document_intake.h"
#include "document/document_screen.h"

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
class DropZone;
class IconBrowserViewController;
class PartsDialog;

// The main window's content: the drop zone holding the icon browser and the bookmark list in a
// split view (the main window moves the list into a side panel), and the progress row of long
// reads. It owns the DocumentController, hands it to the browser and the list, wires their
// signals to each other, and carries out what the controller asks of the screen; errors reach
// the user only through displayErrorWithError (a window-modal alert).
class MainViewController : public QWidget, public DocumentScreen {
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

    void displayErrorWithError(const QString& title, const QString& informativeText);
    // The parts dialog on show, if one is open.
    PartsDialog* currentPartsDialog() const;
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
    // The parts dialog, window-modal; without a shown window nothing is opened.
    void choosePart(const QString& fileName, const std::vector<PartRow>& rows,
                    std::function<void(PartChoice)> answer) override;
    // A window-modal question, waited for (the worker decoding the part waits too); without a
    // shown window: no.
    bool confirmLargePart(const LargePartQuestion& question) override;
    void setWindowTitle(const QString& title) override;
    void setHintVisible(bool visible) override;
    void beginProgress(const QString& label, std::function<void()> cancel) override;
    void updateProgress(std::int64_t done, std::int64_t total) override;
    void endProgress() override;

    // Shows the export dialog window-modally for these bookmarks and returns at once; without
    // a shown window nothing is offered.
    void exportBookmarks(const std::vector<Bookmark>& bookmarks);
    // Opens a new 3D viewer window for the bookmark, decoded with a copy of the document's
    // decoder; a bookmark that cannot be decoded opens nothing.
    void openSceneViewer(const Bookmark& bookmark);

signals:
    // A line for the status bar.
    void statusMessage(const QString& text);

private:
    void showAlert(bool isError, const QString& title, const QString& informativeText);

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
    QPointer<PartsDialog> m_partsDialog;
    std::unique_ptr<DocumentController> m_document;
};

} // namespace pq
