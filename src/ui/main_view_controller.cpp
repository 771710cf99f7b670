#include "ui/main_view_controller.h"

#include "ui/bookmark_list_view_controller.h"
#include "ui/drop_zone.h"
#include "ui/export_flow.h"
#include "ui/icon_browser_view.h"
#include "ui/icon_browser_view_controller.h"
#include "ui/parts_dialog.h"
#include "ui/scene_view_controller.h"

#include <QDesktopServices>
#include <QDir>
#include <QLocale>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QUrl>
#include <QVBoxLayout>

namespace pq {

MainViewController::MainViewController(QWidget* parent) : QWidget(parent)
{
    m_document = std::make_unique<DocumentController>(*this);
    // A file of thousands of bookmarks takes longer than a frame to write: edits of such files
    // are saved behind the screen; small files are saved at once, their failures shown at once.
    m_document->setBackgroundSaveThreshold(2000);

    m_dropZone = new DropZone(this);
    m_splitter = new QSplitter(Qt::Horizontal);
    m_browser = new IconBrowserViewController(m_splitter);
    m_list = new BookmarkListViewController(m_splitter);
    m_splitter->addWidget(m_browser);
    m_splitter->addWidget(m_list);
    m_splitter->setStretchFactor(0, 1);
    m_splitter->setStretchFactor(1, 0);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setSizes({900, 420});
    m_browser->iconCollectionView()->setFocus();
    m_dropZone->setContent(m_splitter);
    m_browser->setDocument(m_document.get());
    m_list->setDocument(m_document.get());
    m_list->setMustShowPixelGrid(m_document->mustShowPixelGrid());

    // Failures of a drop are not shown.
    connect(m_dropZone, &DropZone::filesDropped, this, [this](const QStringList& paths) { openFiles(paths); });
    // A tile's add button bookmarks its chunk with the decoder's current format.
    connect(m_browser->iconCollectionView(), &IconBrowserView::bookmarkRequested, m_document.get(),
            &DocumentController::bookmarkChunk);
    connect(m_browser, &IconBrowserViewController::errorOccurred, this, &MainViewController::displayErrorWithError);
    // The grid flag is the document's; the list's icons follow it.
    connect(m_browser, &IconBrowserViewController::showGridChanged, m_document.get(),
            &DocumentController::setMustShowPixelGrid);
    connect(m_browser, &IconBrowserViewController::showGridChanged, m_list, &BookmarkListViewController::setMustShowPixelGrid);
    connect(m_list, &BookmarkListViewController::bookmarkSelected, m_browser,
            [this](const Bookmark& bookmark) { m_browser->showBookmark(bookmark.offset, bookmark.format()); });
    connect(m_list, &BookmarkListViewController::exportRequested, this, &MainViewController::exportBookmarks);
    connect(m_list, &BookmarkListViewController::sceneViewRequested, this, &MainViewController::openSceneViewer);

    m_progressRow = new QWidget(this);
    m_progressLabel = new QLabel(m_progressRow);
    m_progressBar = new QProgressBar(m_progressRow);
    m_progressCancel = new QPushButton(tr("Cancel"), m_progressRow);
    auto* progressLayout = new QHBoxLayout(m_progressRow);
    progressLayout->setContentsMargins(8, 2, 8, 4);
    progressLayout->addWidget(m_progressLabel);
    progressLayout->addWidget(m_progressBar, 1);
    progressLayout->addWidget(m_progressCancel);
    m_progressRow->hide();
    connect(m_progressCancel, &QPushButton::clicked, this, [this] {
        if (m_cancel)
            m_cancel();
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_dropZone, 1);
    layout->addWidget(m_progressRow);
}

MainViewController::~MainViewController()
{
    // The panes outlive the document while the widget tree is torn down.
    m_browser->setDocument(nullptr);
    if (m_list)
        m_list->setDocument(nullptr);
    m_document.reset();
}

IconBrowserViewController* MainViewController::iconBrowserViewController() const
{
    return findChild<IconBrowserViewController*>();
}

BookmarkListViewController* MainViewController::bookmarkListViewController() const
{
    return m_list; // the window may show it in a side panel of its own
}

void MainViewController::openFiles(const QStringList& paths, DocumentIntake::Done done)
{
    m_document->intake().processURLs(paths, std::move(done));
}

void MainViewController::openDocument()
{
    if (!hasWindow())
        return;
    auto* panel = new QFileDialog(window(), tr("Open"));
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setWindowModality(Qt::WindowModal);
    panel->setFileMode(QFileDialog::ExistingFiles);
    panel->setAcceptMode(QFileDialog::AcceptOpen);
    connect(panel, &QFileDialog::filesSelected, this, [this](const QStringList& files) {
        openFiles(files); // a file that cannot be opened is shown by the document controller
    });
    panel->open();
}

void MainViewController::showHelp()
{
    const QUrl url(QString::fromLatin1(kHelpAddress));
    if (url.isValid())
        QDesktopServices::openUrl(url);
}

bool MainViewController::hasWindow() const
{
    // The view is in a window when its top-level window is shown.
    return window() != nullptr && window()->isVisible();
}

QMessageBox* MainViewController::currentAlert() const { return m_alert; }
PartsDialog* MainViewController::currentPartsDialog() const { return m_partsDialog; }

void MainViewController::displayErrorWithError(const QString& title, const QString& informativeText)
{
    if (!hasWindow())
        return;
    showAlert(true, title, informativeText);
}

void MainViewController::showAlert(bool isError, const QString& title, const QString& informativeText)
{
    auto* alert = new QMessageBox(isError ? QMessageBox::Warning : QMessageBox::Information, title, QString(),
                                  QMessageBox::Ok, window());
    alert->setText(title);
    alert->setInformativeText(informativeText);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowModality(Qt::WindowModal);
    m_alert = alert;
    alert->open();
}

void MainViewController::showError(const QString& title, const QString& informativeText)
{
    displayErrorWithError(title, informativeText);
}

void MainViewController::showInformation(const QString& title, const QString& informativeText)
{
    if (hasWindow())
        showAlert(false, title, informativeText);
}

void MainViewController::showStatus(const QString& text) { emit statusMessage(text); }

void MainViewController::askSaveLocation(const SaveLocationRequest& request,
                                         std::function<void(const SaveLocationAnswer&)> answer)
{
    auto* panel = new QFileDialog(window(), request.title, request.folder);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setWindowModality(Qt::WindowModal);
    panel->setAcceptMode(QFileDialog::AcceptSave);
    panel->setFileMode(QFileDialog::AnyFile);
    panel->setDefaultSuffix(request.allowedSuffix);
    panel->setNameFilter(tr("Bookmarks file (*.%1)").arg(request.allowedSuffix));
    panel->setLabelText(QFileDialog::FileName, request.nameFieldLabel);
    panel->selectFile(request.suggestedFileName);
    // The answer is given exactly once, when the panel closes.
    connect(panel, &QFileDialog::finished, this, [panel, answer = std::move(answer)](int result) {
        SaveLocationAnswer reply;
        if (result == QDialog::Accepted) {
            const QStringList files = panel->selectedFiles();
            if (files.isEmpty() || files.front().isEmpty()) {
                reply.kind = SaveLocationAnswer::Kind::ConfirmedWithoutLocation;
            } else {
                reply.kind = SaveLocationAnswer::Kind::Confirmed;
                reply.path = files.front();
            }
        }
        answer(reply);
    });
    panel->open();
}

void MainViewController::refreshBookmarks()
{
    if (m_list)
        m_list->refreshBookmarks();
}

void MainViewController::selectBookmarkRow(int row)
{
    if (m_list)
        m_list->selectBookmarkRow(row);
}

void MainViewController::scrollToBookmarkRow(int row)
{
    if (m_list)
        m_list->scrollToBookmarkRow(row);
}
void MainViewController::resetBrowserSettings() { m_browser->resetParameters(); }
void MainViewController::reloadBrowserFromFirstTile() { m_browser->reloadBrowser(true); }

void MainViewController::choosePart(const QString& fileName, const std::vector<PartRow>& rows,
                                    std::function<void(PartChoice)> answer)
{
    if (!hasWindow())
        return answer({});
    auto* dialog = new PartsDialog(fileName, rows, window());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    // The answer is given exactly once, when the dialog closes.
    connect(dialog, &QDialog::finished, this, [dialog, answer = std::move(answer)] { answer(dialog->choice()); });
    m_partsDialog = dialog;
    dialog->open();
}

bool MainViewController::confirmLargePart(const LargePartQuestion& question)
{
    if (!hasWindow())
        return false;
    const QLocale locale;
    const QString free = question.freeBytes < 0
        ? tr("The free space there is not known.")
        : tr("%1 are free there.").arg(locale.formattedDataSize(question.freeBytes));
    QMessageBox alert(QMessageBox::Question, tr("Open a large part?"), QString(), QMessageBox::Yes | QMessageBox::No,
                      window());
    alert.setText(tr("A part of \u201C%1\u201D (%2) decodes to %3.")
                      .arg(question.fileName, question.partLabel, locale.formattedDataSize(question.bytes)));
    alert.setInformativeText(tr("The decoded bytes are kept in the cache folder %1 while the part is open. %2 "
                                "Open it?")
                                 .arg(QDir::toNativeSeparators(question.folder), free));
    alert.setDefaultButton(QMessageBox::No);
    alert.setWindowModality(Qt::WindowModal);
    m_alert = &alert;
    return alert.exec() == QMessageBox::Yes;
}

void MainViewController::setWindowTitle(const QString& title)
{
    if (hasWindow())
        window()->setWindowTitle(title);
}

void MainViewController::setHintVisible(bool visible) { m_browser->dropLabel()->setVisible(visible); }

void MainViewController::beginProgress(const QString& label, std::function<void()> cancel)
{
    m_cancel = std::move(cancel);
    m_progressLabel->setText(label);
    m_progressBar->setRange(0, 0);
    m_progressCancel->setVisible(static_cast<bool>(m_cancel));
    m_progressRow->show();
}

void MainViewController::updateProgress(std::int64_t done, std::int64_t total)
{
    if (total <= 0)
        return;
    // Per mille keeps multi-gigabyte counts inside the bar's int range.
    m_progressBar->setRange(0, 1000);
    m_progressBar->setValue(static_cast<int>(std::clamp<std::int64_t>(done * 1000 / total, 0, 1000)));
}

void MainViewController::endProgress()
{
    m_cancel = nullptr;
    m_progressRow->hide();
}

void MainViewController::exportBookmarks(const std::vector<Bookmark>& bookmarks)
{
    if (!hasWindow())
        return;
    // The data is shared, not copied; the document's own decoder and its format are not involved.
    auto* flow = new ExportFlow(bookmarks, m_document->source(), this);
    connect(flow, &ExportFlow::errorOccurred, this, &MainViewController::displayErrorWithError);
    connect(flow, &ExportFlow::statusMessage, this, &MainViewController::statusMessage);
}

void MainViewController::openSceneViewer(const Bookmark& bookmark)
{
    const auto& chunker = m_document->chunker();
    pq::openSceneViewer(chunker ? &*chunker : nullptr, bookmark,
                        [this](const ReadError& error) { m_document->reportReadError(error); });
}

} // namespace pq
