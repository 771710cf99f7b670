#pragma once

#include <QObject>
#include <QStringList>

namespace pq {

class MainWindow;

// The application's start and its requests from the desktop: registers the export defaults,
// makes the program quit when its last window closes, and hands files named on the command
// line (or by a file manager through the desktop entry) to the main window's intake.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    explicit AppDelegate(QObject* parent = nullptr);

    // Registers the five export switches' defaults in the settings.
    void applicationDidFinishLaunching();
    // Hands the files to the main window, in order; bookmarks files are imported first. A
    // failure is written as one line to the standard output. Ignored without a main window.
    void openFiles(MainWindow* window, const QStringList& paths);
};

} // namespace pq
