#pragma once

#include <QStyledItemDelegate>

#include <cstddef>
#include <optional>

class QAbstractItemView;

namespace pq {

// Draws a family row's cell of a list of icons: its members' thumbnails (setFamilyThumbnails)
// above the cell's text, the row's height growing to hold both. A press on a member's
// thumbnail reports it through memberPressed before the view selects the row; other cells are
// drawn as usual.
class FamilyRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit FamilyRowDelegate(QObject* parent = nullptr);

    // Where the thumbnail of `member` of the family row at `index` lies in `view`'s viewport;
    // empty when there is none.
    static QRect memberRect(const QAbstractItemView* view, const QModelIndex& index, std::size_t member);

signals:
    void memberPressed(int row, std::size_t member);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    // The thumbnail of `member` in a cell drawn with `option` (initialised for `index`).
    static QRect memberRect(const QStyleOptionViewItem& option, const QModelIndex& index, std::size_t member);
};

} // namespace pq
