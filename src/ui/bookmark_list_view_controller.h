#pragma once

#include "document/bookmark.h"
#include "document/document_error.h"
#include "ui/bookmark_list_cell.h"

#include <QWidget>

#include <expected>
#include <vector>

class QListView;
class QPushButton;

namespace pq {

class BookmarkListModel;
class DocumentController;

// The bookmark pane: one row per bookmark of the open data's bookmarks file, in file order,
// and the export-all button. It holds no bookmarks: its model reads the document's bookmarks
// file and decoder, and the document tells the model which rows changed. Only the rows on
// screen are decoded and painted. A row's nickname, mask and delete controls edit the
// document; selecting a row, its 3D and export buttons and export-all are emitted as signals
// for the window to carry out.
class BookmarkListViewController : public QWidget {
    Q_OBJECT
public:
    explicit BookmarkListViewController(QWidget* parent = nullptr);

    // The document whose bookmarks are listed and edited; null lists none.
    void setDocument(DocumentController* document);

    QListView* tableView() const { return m_tableView; }
    BookmarkListModel* model() const { return m_model; }
    BookmarkListCell* cell() const { return m_cell; }
    QPushButton* exportAllButton() const { return m_exportAllButton; }
    int rowCount() const;
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
    // Does what a click on the row's control does.
    void activateControl(int row, BookmarkListCell::Control control);

signals:
    // A row was selected: the browser is to show its bookmark.
    void bookmarkSelected(const pq::Bookmark& bookmark);
    // A row's export button, or export-all, was clicked.
    void exportRequested(const std::vector<pq::Bookmark>& bookmarks);
    // A row's 3D button was clicked.
    void sceneViewRequested(const pq::Bookmark& bookmark);

private:
    void showSelectedBookmark();
    void exportAll();
    void showRefusal(const std::expected<void, DocumentError>& result);

    DocumentController* m_document = nullptr;
    QListView* m_tableView = nullptr;
    BookmarkListModel* m_model = nullptr;
    BookmarkListCell* m_cell = nullptr;
    QPushButton* m_exportAllButton = nullptr;
};

} // namespace pq
