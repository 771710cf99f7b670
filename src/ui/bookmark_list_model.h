#pragma once

#include "document/bookmark.h"

#include <QAbstractListModel>
#include <QCache>
#include <QImage>
#include <QString>

#include <cstdint>

namespace pq {

class DocumentController;

// The bookmark list's rows: row r is bookmark r of the document's bookmarks file, in file
// order. It holds no bookmarks; it keeps only the number of rows it has announced, so that
// the document may change its bookmarks first and tell the model what changed afterwards. A
// row's icon is decoded (with a copy of the document's decoder set to the bookmark's format)
// only when asked for, that is when the row is painted, and kept in a small cache keyed by
// the row's data. A row whose bytes cannot be read (the file shrank on disk) has no icon, and
// the document is told.
class BookmarkListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        CoordinatesRole = Qt::UserRole + 1, // QString: offset, bit depth and size, three lines
        IconRole,           // QImage: the icon at zoom 3, centred in iconBoxSize(); null when undecodable
        ProblemRole,        // QString: why no icon is shown; empty when it is
        HasMaskRole,        // bool: the bookmark's mask flag
        ShowsMaskRole,      // bool: the row offers the mask check box (1-bit icons that decode)
        DecodesRole,        // bool: the icon decodes, so the 3D view and export buttons are enabled
    };
    static constexpr int kIconZoom = 3;
    static QSize iconBoxSize();

    explicit BookmarkListModel(QObject* parent = nullptr);

    // The document whose bookmarks the rows show, and whose row signals they follow; null
    // shows none.
    void setDocument(DocumentController* document);
    // The bookmark of a row, when the row exists.
    const Bookmark* bookmarkAt(int row) const;

    bool showPixelGrid() const { return m_showPixelGrid; }
    // Redraws every row's icon with or without the pixel grid.
    void setShowPixelGrid(bool on);

    // "Offset: o\nBit Depth: d\nDimensions: wxw", w pixels per side; "Dimensions: unknown"
    // for a bit depth of 0.
    static QString coordinatesText(const Bookmark& bookmark);

    // What the document tells after changing its bookmarks (connected by setDocument).
    void resetRows();                        // replaced as a whole (or the decoder changed)
    void insertedRows(int first, int last);  // appended
    void changedRow(int row);                // nickname or mask changed
    void removedRows(int first, int last);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Editing the nickname renames this row's bookmark; a refusal is shown by the document.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Decoded {
        QImage icon;
        QString problem;
    };
    struct CacheKey {
        std::int64_t offset, bitDepth, widthInBits;
        IconMask mask;
        friend bool operator==(const CacheKey&, const CacheKey&) = default;
        friend size_t qHash(const CacheKey& k, size_t seed = 0)
        {
            return qHashMulti(seed, k.offset, k.bitDepth, k.widthInBits, static_cast<int>(k.mask.kind), k.mask.offset);
        }
    };
    Decoded decoded(const Bookmark& bookmark) const;

    DocumentController* m_document = nullptr;
    int m_rows = 0;
    bool m_showPixelGrid = true;
    mutable QCache<CacheKey, Decoded> m_cache{256};
};

} // namespace pq
