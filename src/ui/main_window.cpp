#include "ui/main_window.h"

#include "ui/find_icons_panel.h"
#include "ui/go_to_offset_dialog.h"
#include "ui/main_view_controller.h"

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QKeySequence>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

namespace pq {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Pixelquarry"));
    resize(1280, 800);
    m_content = new MainViewController(this);
    setCentralWidget(m_content);

    QMenu* file = menuBar()->addMenu(tr("&File"));
    QAction* open = file->addAction(tr("Open…"));
    open->setShortcut(QKeySequence::Open);
    open->setObjectName(QStringLiteral("openAction"));
    connect(open, &QAction::triggered, m_content, &MainViewController::openDocument);
    file->addSeparator();
    QAction* quit = file->addAction(tr("Quit"));
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, qApp, &QApplication::closeAllWindows);

    QMenu* find = menuBar()->addMenu(tr("F&ind"));
    m_findIcons = new FindIconsPanel(*m_content);
    auto* dock = new QDockWidget(tr("Find Icons"), this);
    dock->setObjectName(QStringLiteral("findIconsDock"));
    dock->setWidget(m_findIcons);
    addDockWidget(Qt::RightDockWidgetArea, dock);
    dock->hide();
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
}

void MainWindow::showFindIcons()
{
    auto* dock = findChild<QDockWidget*>(QStringLiteral("findIconsDock"));
    if (!dock->isVisible()) {
        dock->show();
        resizeDocks({dock}, {m_findIcons->sizeHint().width()}, Qt::Horizontal);
    }
    dock->raise();
    if (!m_findIcons->isScanning() && m_findIcons->candidates().empty())
        m_findIcons->startScan();
}

void MainWindow::showGoToOffset()
{
    auto* dialog = new GoToOffsetDialog(*m_content, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->open();
}

} // namespace pq
