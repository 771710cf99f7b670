#include "ui/main_window.h"

#include "ui/bookmark_list_view_controller.h"
#include "ui/files_panel.h"
#include "ui/find_icons_panel.h"
#include "ui/go_to_offset_dialog.h"
#include "ui/icon_browser_view.h"
#include "ui/icon_browser_view_controller.h"
#include "ui/main_view_controller.h"
#include "ui/tile_grid_layout.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QKeySequence>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>

namespace pq {
namespace {
// The window's size, place and panels of the last run.
constexpr const char* kGeometryKey = "mainWindow/geometry";
constexpr const char* kStateKey = "mainWindow/state";
// The first time, the window takes this share of the screen's available width and height.
constexpr double kScreenShare = 0.85;
} // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Pixelquarry"));
    m_content = new MainViewController(this);
    setCentralWidget(m_content);
    // Room for four tiles per row (and the scroll bar) whatever the side panels take.
    IconBrowserView* grid = m_content->iconBrowserViewController()->iconCollectionView();
    grid->setMinimumWidth(TileGridLayout::widthForColumns(4) + grid->verticalScrollBar()->sizeHint().width() +
                          2 * grid->frameWidth());

    setDockOptions(dockOptions() | QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks);
    setTabPosition(Qt::RightDockWidgetArea, QTabWidget::North);
    auto* bookmarks = new QDockWidget(tr("Bookmarks"), this);
    bookmarks->setObjectName(QStringLiteral("bookmarksDock"));
    bookmarks->setWidget(m_content->bookmarkListViewController());
    addDockWidget(Qt::RightDockWidgetArea, bookmarks);

    QMenu* file = menuBar()->addMenu(tr("&File"));
    QAction* open = file->addAction(tr("Open…"));
    open->setShortcut(QKeySequence::Open);
    open->setObjectName(QStringLiteral("openAction"));
    connect(open, &QAction::triggered, m_content, &MainViewController::openDocument);
    // A wrapped file's own bytes, or another of its parts.
    QAction* raw = file->addAction(tr("Open Raw Bytes"));
    raw->setObjectName(QStringLiteral("openRawBytesAction"));
    QAction* parts = file->addAction(tr("Parts\u2026"));
    parts->setObjectName(QStringLiteral("partsAction"));
    DocumentController& document = m_content->document();
    for (QAction* action : {raw, parts})
        action->setEnabled(false);
    connect(&document, &DocumentController::documentOpened, this, [raw, parts, &document] {
        for (QAction* action : {raw, parts})
            action->setEnabled(document.origin().wrapper);
    });
    connect(raw, &QAction::triggered, this, [&document] { document.intake().reopen(DocumentIntake::OpenMode::RawBytes); });
    connect(parts, &QAction::triggered, this, [&document] { document.intake().reopen(DocumentIntake::OpenMode::AskParts); });
    QAction* back = file->addAction(tr("Back to the whole image"));
    back->setObjectName(QStringLiteral("backToImageAction"));
    back->setEnabled(false);
    connect(&document, &DocumentController::documentOpened, back, [back, &document] { back->setEnabled(document.origin().image != nullptr); });
    connect(back, &QAction::triggered, &document, &DocumentController::backToImage);
    file->addSeparator();
    QAction* quit = file->addAction(tr("Quit"));
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, qApp, &QApplication::closeAllWindows);

    QMenu* find = menuBar()->addMenu(tr("F&ind"));
    m_findIcons = new FindIconsPanel(m_content->document());
    connect(m_findIcons, &FindIconsPanel::iconChosen, m_content->iconBrowserViewController(),
            &IconBrowserViewController::showBookmark);
    // A side panel tabbed with the bookmarks, hidden until asked for.
    const auto addPanel = [this, bookmarks](const QString& title, const char* name, QWidget* panel) {
        auto* dock = new QDockWidget(title, this);
        dock->setObjectName(QString::fromLatin1(name));
        dock->setWidget(panel);
        addDockWidget(Qt::RightDockWidgetArea, dock);
        tabifyDockWidget(bookmarks, dock);
        dock->hide();
        return dock;
    };
    QDockWidget* dock = addPanel(tr("Find Icons"), "findIconsDock", m_findIcons);
    m_files = new FilesPanel(document);
    connect(m_files, &FilesPanel::iconChosen, m_content->iconBrowserViewController(), &IconBrowserViewController::showBookmark);
    QDockWidget* filesDock = addPanel(tr("Files"), "filesDock", m_files);
    connect(m_files, &FilesPanel::volumesFound, filesDock, [filesDock] {
        filesDock->show();
        filesDock->raise();
    });
    bookmarks->raise();
    QMenu* view = menuBar()->addMenu(tr("&View"));
    for (QDockWidget* panel : {bookmarks, dock, filesDock})
        view->addAction(panel->toggleViewAction());
    QAction* findIcons = find->addAction(tr("Find Icons"));
    findIcons->setShortcut(QKeySequence::Find);
    findIcons->setObjectName(QStringLiteral("findIconsAction"));
    connect(findIcons, &QAction::triggered, this, &MainWindow::showFindIcons);
    QAction* goToOffset = find->addAction(tr("Go to Offset…"));
    goToOffset->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    goToOffset->setObjectName(QStringLiteral("goToOffsetAction"));
    connect(goToOffset, &QAction::triggered, this, &MainWindow::showGoToOffset);
    QToolBar* toolbar = addToolBar(tr("Tools"));
    toolbar->setObjectName(QStringLiteral("toolbar"));
    toolbar->setMovable(false);
    toolbar->addAction(findIcons);

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    QAction* showHelp = help->addAction(tr("Pixelquarry Help"));
    showHelp->setShortcut(QKeySequence(Qt::Key_F1));
    showHelp->setObjectName(QStringLiteral("helpAction"));
    connect(showHelp, &QAction::triggered, this, [] { MainViewController::showHelp(); });

    connect(m_content, &MainViewController::statusMessage, this,
            [this](const QString& text) { statusBar()->showMessage(text, 8000); });

    QSettings settings;
    if (!restoreGeometry(settings.value(QLatin1String(kGeometryKey)).toByteArray())) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        setGeometry(defaultGeometry(screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800)));
    }
    restoreState(settings.value(QLatin1String(kStateKey)).toByteArray());
}

QRect MainWindow::defaultGeometry(const QRect& available)
{
    const QSize size(qRound(available.width() * kScreenShare), qRound(available.height() * kScreenShare));
    QRect placed(QPoint(), size);
    placed.moveCenter(available.center());
    return placed;
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    QSettings settings;
    settings.setValue(QLatin1String(kGeometryKey), saveGeometry());
    settings.setValue(QLatin1String(kStateKey), saveState());
    QMainWindow::closeEvent(event);
}

void MainWindow::showFindIcons()
{
    auto* dock = findChild<QDockWidget*>(QStringLiteral("findIconsDock"));
    dock->show();
    dock->raise();
    if (!m_findIcons->isScanning() && m_findIcons->candidates().empty())
        m_findIcons->startScan();
}

void MainWindow::showGoToOffset()
{
    auto* dialog = new GoToOffsetDialog(m_content->document(), this);
    connect(dialog, &GoToOffsetDialog::offsetChosen, m_content->iconBrowserViewController(),
            &IconBrowserViewController::showBookmark);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->open();
}

} // namespace pq
