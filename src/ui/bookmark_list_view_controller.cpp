#include "ui/bookmark_list_view_controller.h"

#include "ui/bookmark_list_cell.h"
#include "ui/bookmark_list_host.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace pq {
namespace {

QString problemText(ChunkerError error)
{
    switch (error) {
    case ChunkerError::OutOfBounds: return QObject::tr("No icon: it would lie beyond the end of the file.");
    case ChunkerError::InvalidElementWidthInBits:
    case ChunkerError::NotOnByteBoundary: return QObject::tr("No icon: this format cannot be decoded.");
    default: return QObject::tr("No icon: it cannot be decoded.");
    }
}

} // namespace

BookmarkListViewController::BookmarkListViewController(QWidget* parent) : QWidget(parent)
{
    m_tableView = new QListWidget(this);
    m_tableView->setObjectName(QStringLiteral("bookmarkTable"));
    m_tableView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tableView->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_tableView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_exportAllButton = new QPushButton(tr("Export All…"), this);
    m_exportAllButton->setObjectName(QStringLiteral("exportAllButton"));
    m_exportAllButton->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    auto* title = new QLabel(tr("Bookmarks"), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title);
    layout->addWidget(m_tableView, 1);
    layout->addWidget(m_exportAllButton, 0, Qt::AlignRight);

    // Wide enough for a row's controls next to its icon.
    const BookmarkListCell prototype;
    m_tableView->setMinimumWidth(prototype.minimumSizeHint().width() +
                                 m_tableView->verticalScrollBar()->sizeHint().width() + 2 * m_tableView->frameWidth());

    connect(m_tableView, &QListWidget::itemSelectionChanged, this, &BookmarkListViewController::selectionDidChange);
    connect(m_exportAllButton, &QPushButton::clicked, this, &BookmarkListViewController::exportAll);
}

int BookmarkListViewController::numberOfRows() const
{
    const BookmarkFile* file = m_host ? m_host->bookmarkFile() : nullptr;
    return file ? static_cast<int>(file->bookmarks.size()) : 0;
}

BookmarkListCell* BookmarkListViewController::cellAt(int row) const
{
    QListWidgetItem* item = m_tableView->item(row);
    return item ? qobject_cast<BookmarkListCell*>(m_tableView->itemWidget(item)) : nullptr;
}

void BookmarkListViewController::refreshBookmarks()
{
    m_exportAllButton->setEnabled(numberOfRows() > 0 && m_host && m_host->canExportBookmarks());
    reloadData();
}

void BookmarkListViewController::reloadData()
{
    const int selected = m_tableView->currentRow();
    const QSignalBlocker block(m_tableView);
    m_tableView->clear();
    const int rows = numberOfRows();
    for (int row = 0; row < rows; ++row) {
        auto* item = new QListWidgetItem(m_tableView);
        BookmarkListCell* cell = makeCell(row);
        // Rows span the list's width; their height is the cell's.
        item->setSizeHint(QSize(0, cell->sizeHint().height()));
        m_tableView->setItemWidget(item, cell);
    }
    if (selected >= 0 && selected < rows)
        m_tableView->setCurrentRow(selected);
}

BookmarkListCell* BookmarkListViewController::makeCell(int row)
{
    auto* cell = new BookmarkListCell;
    if (!m_host || !m_host->bookmarkFile())
        return cell;
    const Bookmark& bookmark = m_host->bookmarkFile()->bookmarks.at(static_cast<std::size_t>(row));

    // Rows report edits after the event that caused them, since the host rebuilds the list.
    connect(cell, &BookmarkListCell::nicknameEdited, this,
            [this, row](const BookmarkKey&, const QString& name) {
                if (m_host)
                    m_host->renameBookmark(row, name);
            },
            Qt::QueuedConnection);
    connect(cell, &BookmarkListCell::deleteRequested, this,
            [this](const BookmarkKey& key) {
                if (m_host)
                    m_host->deleteBookmark(key);
            },
            Qt::QueuedConnection);
    connect(cell, &BookmarkListCell::maskChanged, this,
            [this](const BookmarkKey& key, bool on) {
                if (m_host)
                    m_host->setBookmarkMask(key, on);
            },
            Qt::QueuedConnection);

    // Decode with a copy of the decoder set to the bookmark's format; the document's own
    // decoder and the browser are left as they are.
    QString problem;
    if (const Chunker* chunker = m_host->chunker()) {
        Chunker copy = *chunker;
        copy.setBitDepth(bookmark.bitDepth);
        copy.setWidthInBits(bookmark.widthInBits);
        if (auto chunk = copy.chunkAt(bookmark.offset, bookmark.hasMask)) {
            cell->setShowPixelGrid(m_mustShowPixelGrid);
            cell->setPixelArray(std::move(chunk->pixelArray));
        } else {
            problem = problemText(chunk.error());
        }
    } else {
        problem = tr("No icon: the open file is too short for any icon.");
    }
    cell->setDelegate(m_host);
    cell->setBookmark(bookmark);
    cell->setProblem(problem);
    return cell;
}

void BookmarkListViewController::selectBookmarkRow(int row)
{
    if (row >= 0 && row < m_tableView->count())
        m_tableView->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

void BookmarkListViewController::scrollToBookmarkRow(int row)
{
    if (row >= 0 && row < m_tableView->count())
        m_tableView->scrollToItem(m_tableView->item(row));
}

void BookmarkListViewController::selectionDidChange()
{
    const QList<QListWidgetItem*> selected = m_tableView->selectedItems();
    if (selected.isEmpty() || !m_host)
        return;
    const int row = m_tableView->row(selected.front());
    const BookmarkFile* file = m_host->bookmarkFile();
    if (!file || row < 0 || row >= static_cast<int>(file->bookmarks.size()))
        return; // the list is about to be refreshed
    m_host->showBookmarkInBrowser(file->bookmarks[static_cast<std::size_t>(row)]);
}

void BookmarkListViewController::exportAll()
{
    const BookmarkFile* file = m_host ? m_host->bookmarkFile() : nullptr;
    if (file && !file->bookmarks.empty() && m_host->canExportBookmarks())
        m_host->exportBookmarks(file->bookmarks);
}

} // namespace pq
