#pragma once

#include <QMainWindow>

namespace pq {

class FilesPanel;
class FindIconsPanel;
class MainViewController;

// The main window: MainViewController's icon browser as its content, the bookmark list, the
// Find Icons panel and the Files panel (shown by itself when the opened bytes hold a volume) as
// tabbed, resizable side panels, the File menu with Open… (Ctrl+O), Open Raw Bytes and Parts…
// (for wrapped files), Back to the whole image (from a fork inside a volume) and Quit, the View
// menu showing or hiding the panels, the Find menu and toolbar with Find
// Icons (Ctrl+F) and Go to Offset… (Ctrl+G), the Help menu with Pixelquarry Help (F1), and a
// status bar for passing notes. The browser keeps at least four tiles per row beside the side
// panels. The window opens at its size and place of the last run, with its panels as they
// were; the first time at 85 % of the screen's available area, centred.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

    // Where the window opens the first time on a screen with this available area.
    static QRect defaultGeometry(const QRect& available);

    MainViewController* mainViewController() const { return m_content; }
    FindIconsPanel* findIconsPanel() const { return m_findIcons; }
    FilesPanel* filesPanel() const { return m_files; }

    // Shows the Find Icons panel and, when it lists nothing yet, scans the open file.
    void showFindIcons();
    // Opens the Go to Offset dialog, window-modal.
    void showGoToOffset();

protected:
    // Remembers the window's size, place and panels for the next run.
    void closeEvent(QCloseEvent* event) override;

private:
    MainViewController* m_content = nullptr;
    FindIconsPanel* m_findIcons = nullptr;
    FilesPanel* m_files = nullptr;
};

} // namespace pq
