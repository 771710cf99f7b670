#pragma once

#include "ui/bookmark_list_cell.h"

#include <QWidget>

class QListView;
class QPushButton;

namespace pq {

class BookmarkListHost;
class BookmarkListModel;

// The bookmark pane: one row per bookmark of the open data's bookmarks file, in file order,
// and the export-all button. It holds no bookmarks: its model reads the host's bookmarks file
// and decoder, and the host tells the model which rows changed. Only the rows on screen are
// decoded and painted. Selecting a row makes the icon browser jump to the bookmark.
class BookmarkListViewController : public QWidget {
    Q_OBJECT
public:
    explicit BookmarkListViewController(QWidget* parent = nullptr);

    void setHost(BookmarkListHost* host);

    QListView* tableView() const { return m_tableView; }
    BookmarkListModel* model() const { return m_model; }
    BookmarkListCell* cell() const { return m_cell; }
    QPushButton* exportAllButton() const { return m_exportAllButton; }
    int numberOfRows() const;
    // Where a row's control lies in the table's viewport; empty when the row does not exist.
    QRect controlRect(int row, BookmarkListCell::Control control) const;

    bool mustShowPixelGrid() const;
    // Redraws the rows' icons with or without the pixel grid.
    void setMustShowPixelGrid(bool on);

    // Enables export-all exactly when there are bookmarks (and exporting is available).
    void refreshBookmarks();
    // Selects a row as a user's selection would (the browser jumps to its bookmark).
    void selectBookmarkRow(int row);
    void scrollToBookmarkRow(int row);

private:
    void selectionDidChange();
    void controlClicked(int row, BookmarkListCell::Control control);
    void exportAll();

    BookmarkListHost* m_host = nullptr;
    QListView* m_tableView = nullptr;
    BookmarkListModel* m_model = nullptr;
    BookmarkListCell* m_cell = nullptr;
    QPushButton* m_exportAllButton = nullptr;
};

} // namespace pq
