#include "ui/bookmark_list_model.h"

#include "decoding/chunker.h"
#include "document/document_controller.h"
#include "ui/deferred_read_error.h"
#include "ui/icon_view.h"

#include <QPainter>

namespace pq {
namespace {

QString problemText(ChunkerError error)
{
    switch (error) {
    case ChunkerError::OutOfBounds: return QObject::tr("No icon: it would lie beyond the end of the file.");
    case ChunkerError::InvalidElementWidthInBits:
    case ChunkerError::NotOnByteBoundary: return QObject::tr("No icon: this format cannot be decoded.");
    case ChunkerError::ReadFailed: return QObject::tr("No icon: its bytes could not be read.");
    default: return QObject::tr("No icon: it cannot be decoded.");
    }
}

} // namespace

QSize BookmarkListModel::iconBoxSize()
{
    constexpr int side = 32 * kIconZoom + 8;
    return {side, side};
}

BookmarkListModel::BookmarkListModel(QObject* parent) : QAbstractListModel(parent) {}

void BookmarkListModel::setDocument(DocumentController* document)
{
    if (m_document)
        disconnect(m_document, nullptr, this, nullptr);
    m_document = document;
    // The rows follow what the document says changed, row by row.
    if (document) {
        connect(document, &DocumentController::bookmarksReset, this, &BookmarkListModel::resetRows);
        connect(document, &DocumentController::bookmarksInserted, this, &BookmarkListModel::insertedRows);
        connect(document, &DocumentController::bookmarkChanged, this, &BookmarkListModel::changedRow);
        connect(document, &DocumentController::bookmarksRemoved, this, &BookmarkListModel::removedRows);
    }
    resetRows();
}

const Bookmark* BookmarkListModel::bookmarkAt(int row) const
{
    const auto* file = m_document ? &m_document->bookmarkFile() : nullptr;
    if (!file || !*file || row < 0 || row >= m_rows || row >= static_cast<int>((*file)->bookmarks.size()))
        return nullptr;
    return &(*file)->bookmarks[static_cast<std::size_t>(row)];
}

void BookmarkListModel::setShowPixelGrid(bool on)
{
    if (on == m_showPixelGrid)
        return;
    m_showPixelGrid = on;
    m_cache.clear();
    if (m_rows > 0)
        emit dataChanged(index(0), index(m_rows - 1), {IconRole});
}

QString BookmarkListModel::coordinatesText(const Bookmark& bookmark)
{
    const QString size = bookmark.bitDepth != 0 ? QStringLiteral("%1x%1").arg(bookmark.format().pixelsPerSide())
                                                : QStringLiteral("unknown");
    return QStringLiteral("Offset: %1\nBit Depth: %2\nDimensions: %3").arg(bookmark.offset).arg(bookmark.bitDepth).arg(size);
}

void BookmarkListModel::resetRows()
{
    beginResetModel();
    m_cache.clear();
    const bool held = m_document && m_document->bookmarkFile();
    m_rows = held ? static_cast<int>(m_document->bookmarkFile()->bookmarks.size()) : 0;
    endResetModel();
}

void BookmarkListModel::insertedRows(int first, int last)
{
    if (first < 0 || last < first)
        return;
    beginInsertRows({}, first, last);
    m_rows += last - first + 1;
    endInsertRows();
}

void BookmarkListModel::changedRow(int row)
{
    if (row >= 0 && row < m_rows)
        emit dataChanged(index(row), index(row));
}

void BookmarkListModel::removedRows(int first, int last)
{
    if (first < 0 || last < first || last >= m_rows)
        return;
    beginRemoveRows({}, first, last);
    m_rows -= last - first + 1;
    endRemoveRows();
}

int BookmarkListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_rows; }

Qt::ItemFlags BookmarkListModel::flags(const QModelIndex& index) const
{
    if (!bookmarkAt(index.row()))
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

BookmarkListModel::Decoded BookmarkListModel::decoded(const Bookmark& bookmark) const
{
    const CacheKey key{bookmark.offset, bookmark.bitDepth, bookmark.widthInBits, bookmark.mask()};
    if (const Decoded* hit = m_cache.object(key))
        return *hit;
    auto* entry = new Decoded;
    // Decoded in the bookmark's own format; the document's own decoder and the browser are
    // left as they are.
    if (m_document && m_document->chunker()) {
        ReadError error;
        auto chunk = Chunker::decode(m_document->chunker()->source(), bookmark.format(), bookmark.offset,
                                     bookmark.mask(), &error);
        if (chunk) {
            entry->icon = QImage(iconBoxSize(), QImage::Format_ARGB32_Premultiplied);
            entry->icon.fill(Qt::transparent);
            QPainter painter(&entry->icon);
            IconView::paintIcon(painter, entry->icon.rect(), chunk->pixelArray, kIconZoom, m_showPixelGrid);
        } else {
            entry->problem = problemText(chunk.error());
            if (chunk.error() == ChunkerError::ReadFailed)
                reportReadErrorLater(*m_document, error);
        }
    } else {
        entry->problem = tr("No icon: the open file is too short for any icon.");
    }
    Decoded result = *entry; // the image is shared, not copied
    m_cache.insert(key, entry);
    return result;
}

QVariant BookmarkListModel::data(const QModelIndex& index, int role) const
{
    const Bookmark* bookmark = index.isValid() ? bookmarkAt(index.row()) : nullptr;
    if (!bookmark)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return QString::fromStdString(bookmark->nickname);
    case CoordinatesRole: return coordinatesText(*bookmark);
    case IconRole: return decoded(*bookmark).icon;
    case ProblemRole: return decoded(*bookmark).problem;
    case HasMaskRole: return bookmark->hasMask;
    case ShowsMaskRole: return bookmark->bitDepth < 2 && decoded(*bookmark).problem.isEmpty();
    case DecodesRole: return decoded(*bookmark).problem.isEmpty();
    default: return {};
    }
}

bool BookmarkListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    const Bookmark* bookmark = index.isValid() ? bookmarkAt(index.row()) : nullptr;
    if (!bookmark || role != Qt::EditRole)
        return false;
    const QString nickname = value.toString();
    if (nickname == QString::fromStdString(bookmark->nickname))
        return true; // nothing changed: nothing to save
    const auto renamed = m_document->renameBookmark(index.row(), nickname.toStdString());
    if (!renamed)
        m_document->displayError(renamed.error());
    return renamed.has_value();
}

} // namespace pq
