#include "ui/bookmark_list_view_controller.h"

#include "ui/bookmark_list_host.h"
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
            &BookmarkListViewController::selectionDidChange);
    connect(m_cell, &BookmarkListCell::controlClicked, this, &BookmarkListViewController::controlClicked);
    connect(m_exportAllButton, &QPushButton::clicked, this, &BookmarkListViewController::exportAll);
}

void BookmarkListViewController::setHost(BookmarkListHost* host)
{
    m_host = host;
    m_model->setHost(host);
    refreshBookmarks();
}

int BookmarkListViewController::numberOfRows() const { return m_model->rowCount(); }

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
    const BookmarkFile* file = m_host ? m_host->bookmarkFile() : nullptr;
    m_exportAllButton->setEnabled(file && !file->bookmarks.empty() && m_host->canExportBookmarks());
}

void BookmarkListViewController::selectBookmarkRow(int row)
{
    if (row >= 0 && row < numberOfRows())
        m_tableView->selectionModel()->setCurrentIndex(m_model->index(row), QItemSelectionModel::ClearAndSelect);
}

void BookmarkListViewController::scrollToBookmarkRow(int row)
{
    if (row >= 0 && row < numberOfRows())
        m_tableView->scrollTo(m_model->index(row));
}

void BookmarkListViewController::selectionDidChange()
{
    const QModelIndexList selected = m_tableView->selectionModel()->selectedIndexes();
    if (selected.isEmpty() || !m_host)
        return;
    if (const Bookmark* bookmark = m_model->bookmarkAt(selected.front().row()))
        m_host->showBookmarkInBrowser(*bookmark);
}

void BookmarkListViewController::controlClicked(int row, BookmarkListCell::Control control)
{
    const Bookmark* bookmark = m_model->bookmarkAt(row);
    if (!bookmark || !m_host)
        return;
    switch (control) {
    case BookmarkListCell::Control::Nickname: m_tableView->edit(m_model->index(row)); break;
    case BookmarkListCell::Control::Mask: m_host->setBookmarkMask(row, !bookmark->hasMask); break;
    case BookmarkListCell::Control::View: m_host->openSceneViewer(*bookmark); break;
    case BookmarkListCell::Control::Export: m_host->exportBookmarks({*bookmark}); break;
    case BookmarkListCell::Control::Delete: m_host->deleteBookmark(keyOf(*bookmark)); break;
    case BookmarkListCell::Control::Icon:
    case BookmarkListCell::Control::None: break;
    }
}

void BookmarkListViewController::exportAll()
{
    const BookmarkFile* file = m_host ? m_host->bookmarkFile() : nullptr;
    if (file && !file->bookmarks.empty() && m_host->canExportBookmarks())
        m_host->exportBookmarks(file->bookmarks);
}

} // namespace pq
