#pragma once

#include <QMainWindow>

namespace pq {

class FindIconsPanel;
class MainViewController;

// The main window: MainViewController as its content, the File menu with Open… (Ctrl+O) and
// Quit, the Find menu and toolbar with Find Icons (Ctrl+F, a dock panel) and Go to Offset…
// (Ctrl+G), the Help menu with Pixelquarry Help (F1), and a status bar for passing notes.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

    MainViewController* mainViewController() const { return m_content; }
    FindIconsPanel* findIconsPanel() const { return m_findIcons; }

    // Shows the Find Icons panel and, when it lists nothing yet, scans the open file.
    void showFindIcons();
    // Opens the Go to Offset dialog, window-modal.
    void showGoToOffset();

private:
    MainViewController* m_content = nullptr;
    FindIconsPanel* m_findIcons = nullptr;
};

} // namespace pq
