#pragma once

#include <QMainWindow>

namespace pq {

class MainViewController;

// The main window: MainViewController as its content, the File menu with Open… (Ctrl+O) and
// Quit, the Help menu with Pixelquarry Help (F1), and a status bar for passing notes.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

    MainViewController* mainViewController() const { return m_content; }

private:
    MainViewController* m_content = nullptr;
};

} // namespace pq
