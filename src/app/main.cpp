// The desktop program: pixelquarry [FILE...]
#include "ui/app_delegate.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QIcon>
#include <QStringList>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Pixelquarry"));
    QApplication::setOrganizationDomain(QStringLiteral("pixelquarry.org"));
    QApplication::setApplicationName(QStringLiteral("Pixelquarry"));
    QApplication::setApplicationDisplayName(QStringLiteral("Pixelquarry"));
    QApplication::setDesktopFileName(QStringLiteral("org.pixelquarry.Pixelquarry"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/org.pixelquarry.Pixelquarry.svg")));

    pq::AppDelegate delegate;
    delegate.applicationDidFinishLaunching();

    pq::MainWindow window;
    window.show();
    QStringList files = QApplication::arguments();
    files.removeFirst();
    delegate.openFiles(&window, files);
    return QApplication::exec();
}
