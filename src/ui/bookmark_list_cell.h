#pragma once

#include <QStyledItemDelegate>

namespace pq {

// Paints one bookmark row of the list and edits its nickname in place: the icon at zoom 3,
// the nickname in a field (edited on a click into it, stored on Return and when the field
// loses focus, dropped on Escape), the offset / bit depth / size text, the mask check box for
// 1-bit bookmarks, and the 3D view, export and delete buttons. A bookmark whose icon cannot be
// decoded still gets its row, saying why, so that it can be renamed or deleted. Everything
// shown comes from the model's roles (BookmarkListModel); clicks on the row's controls are
// reported, after the event that caused them, through controlClicked.
class BookmarkListCell : public QStyledItemDelegate {
    Q_OBJECT
public:
    // The parts of a row; all but Icon (and None) are clickable.
    enum class Control { None, Icon, Nickname, Mask, View, Export, Delete };
    // Where each part of a row lies.
    struct Layout {
        QRect icon, nickname, coordinates, note, mask, view, exportButton, deleteButton;
        QRect rect(Control control) const;
    };

    explicit BookmarkListCell(QObject* parent = nullptr);

    // The parts of a row drawn in `rowRect` with the widget's font and style.
    static Layout layout(const QRect& rowRect, const QWidget* widget);
    // The narrowest row that shows every part.
    static int minimumRowWidth(const QWidget* widget);
    // The enabled control of the row at `pos`, or None.
    static Control controlAt(const QModelIndex& index, const QRect& rowRect, const QWidget* widget, QPoint pos);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

signals:
    void controlClicked(int row, pq::BookmarkListCell::Control control);

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
};

} // namespace pq
