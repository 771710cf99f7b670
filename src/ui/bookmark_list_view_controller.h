#pragma once

#include "document/bookmark.h"

#include <QWidget>

#include <cstdint>

class QListWidget;
class QPushButton;

namespace pq {

class BookmarkListCell;
class BookmarkListHost;

// The bookmark pane: one row per bookmark of the open data's bookmarks file, in file order,
// and the export-all button. It holds no bookmarks: every row is made from the host's
// bookmarks file and decoder. Selecting a row makes the icon browser jump to the bookmark.
class BookmarkListViewController : public QWidget {
    Q_OBJECT
public:
    explicit BookmarkListViewController(QWidget* parent = nullptr);

    void setHost(BookmarkListHost* host) { m_host = host; }

    QListWidget* tableView() const { return m_tableView; }
    QPushButton* exportAllButton() const { return m_exportAllButton; }
    int numberOfRows() const;
    // The row's cell, when the row exists.
    BookmarkListCell* cellAt(int row) const;

    bool mustShowPixelGrid() const { return m_mustShowPixelGrid; }
    void setMustShowPixelGrid(bool on) { m_mustShowPixelGrid = on; }

    // Rebuilds every row from the host and enables export-all exactly when there are
    // bookmarks (and exporting is available). The selected row stays selected, silently.
    void refreshBookmarks();
    void reloadData();
    // Selects a row as a user's selection would (the browser jumps to its bookmark).
    void selectBookmarkRow(int row);
    void scrollToBookmarkRow(int row);

private:
    BookmarkListCell* makeCell(int row);
    void selectionDidChange();
    void exportAll();

    BookmarkListHost* m_host = nullptr;
    QListWidget* m_tableView = nullptr;
    QPushButton* m_exportAllButton = nullptr;
    bool m_mustShowPixelGrid = true;
};

} // namespace pq
