#include "ui/bookmark_list_view_controller.h"

#include "document/document_controller.h"
#include "ui/bookmark_list_model.h"

#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace pq {

BookmarkListViewController::BookmarkListViewController(QWidget* parent) : QWidget(parent)
{
    m_model = new BookmarkListModel(this);
    m_cell = new BookmarkListCell(this);
    m_tableView = new QListView(this);
    m_tableView->setObjectName(QStringLiteral("bookmarkTable"));
    m_tableView->setModel(m_model);
    m_tableView->setItemDelegate(m_cell);
    m_tableView->setUniformItemSizes(true); // one row height: nothing is measured per row
    m_tableView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tableView->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    m_tableView->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_tableView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_tableView->setMouseTracking(false);
    m_exportAllButton = new QPushButton(tr("Export All…"), this);
    m_exportAllButton->setObjectName(QStringLiteral("exportAllButton"));
    m_exportAllButton->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(m_tableView, 1);
    layout->addWidget(m_exportAllButton, 0, Qt::AlignRight);

    // Wide enough for a row's controls next to its icon.
    m_tableView->setMinimumWidth(BookmarkListCell::minimumRowWidth(m_tableView) +
                                 m_tableView->verticalScrollBar()->sizeHint().width() + 2 * m_tableView->frameWidth());

    connect(m_tableView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &BookmarkListViewController::showSelectedBookmark);
    connect(m_cell, &BookmarkListCell::controlClicked, this, &BookmarkListViewController::activateControl);
    connect(m_exportAllButton, &QPushButton::clicked, this, &BookmarkListViewController::exportAll);
}

void BookmarkListViewController::setDocument(DocumentController* document)
{
    m_document = document;
    m_model->setDocument(document);
    refreshBookmarks();
}

int BookmarkListViewController::rowCount() const { return m_model->rowCount(); }

QRect BookmarkListViewController::controlRect(int row, BookmarkListCell::Control control) const
{
    const QRect rowRect = m_tableView->visualRect(m_model->index(row));
    if (rowRect.isEmpty())
        return {};
    return BookmarkListCell::layout(rowRect, m_tableView).rect(control);
}

bool BookmarkListViewController::mustShowPixelGrid() const { return m_model->showPixelGrid(); }
void BookmarkListViewController::setMustShowPixelGrid(bool on) { m_model->setShowPixelGrid(on); }

void BookmarkListViewController::refreshBookmarks()
{
    m_exportAllButton->setEnabled(m_document && m_document->bookmarkFile() &&
                                  !m_document->bookmarkFile()->bookmarks.empty());
}

void BookmarkListViewController::selectBookmarkRow(int row)
{
    if (row >= 0 && row < rowCount())
        m_tableView->selectionModel()->setCurrentIndex(m_model->index(row), QItemSelectionModel::ClearAndSelect);
}

void BookmarkListViewController::scrollToBookmarkRow(int row)
{
    if (row >= 0 && row < rowCount())
        m_tableView->scrollTo(m_model->index(row));
}

void BookmarkListViewController::showSelectedBookmark()
{
    const QModelIndexList selected = m_tableView->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return;
    if (const Bookmark* bookmark = m_model->bookmarkAt(selected.front().row()))
        emit bookmarkSelected(*bookmark);
}

void BookmarkListViewController::activateControl(int row, BookmarkListCell::Control control)
{
    const Bookmark* bookmark = m_model->bookmarkAt(row);
    if (!bookmark)
        return;
    switch (control) {
    case BookmarkListCell::Control::Nickname: m_tableView->edit(m_model->index(row)); break;
    case BookmarkListCell::Control::Mask: showRefusal(m_document->setBookmarkMaskAt(row, !bookmark->hasMask)); break;
    case BookmarkListCell::Control::View: emit sceneViewRequested(*bookmark); break;
    case BookmarkListCell::Control::Export: emit exportRequested({*bookmark}); break;
    case BookmarkListCell::Control::Delete:
        showRefusal(m_document->deleteBookmark(keyOf(*bookmark)));
        break;
    case BookmarkListCell::Control::Icon:
    case BookmarkListCell::Control::None: break;
    }
}

void BookmarkListViewController::showRefusal(const std::expected<void, DocumentError>& result)
{
    if (!result)
        m_document->displayError(result.error());
}

void BookmarkListViewController::exportAll()
{
    if (m_document && m_document->bookmarkFile() && !m_document->bookmarkFile()->bookmarks.empty())
        emit exportRequested(m_document->bookmarkFile()->bookmarks);
}

} // namespace pq
