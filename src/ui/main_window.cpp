#include "ui/main_window.h"

#include "ui/main_view_controller.h"

#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QMenuBar>
#include <QStatusBar>

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

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    QAction* showHelp = help->addAction(tr("Pixelquarry Help"));
    showHelp->setShortcut(QKeySequence(Qt::Key_F1));
    showHelp->setObjectName(QStringLiteral("helpAction"));
    connect(showHelp, &QAction::triggered, this, [] { MainViewController::showHelp(); });

    connect(m_content, &MainViewController::statusMessage, this,
            [this](const QString& text) { statusBar()->showMessage(text, 8000); });
}

} // namespace pq
