#include "ui/family_row_delegate.h"

#include "ui/family_thumbnails.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QMouseEvent>
#include <QPixmap>

namespace pq {

FamilyRowDelegate::FamilyRowDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

void FamilyRowDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const QPixmap strip = index.data(kFamilyStripRole).value<QPixmap>();
    if (strip.isNull())
        return;
    option->features |= QStyleOptionViewItem::HasDecoration;
    option->icon = QIcon(strip);
    option->decorationSize = strip.size();
    option->decorationPosition = QStyleOptionViewItem::Top;
    option->decorationAlignment = Qt::AlignLeft | Qt::AlignTop;
}

QRect FamilyRowDelegate::memberRect(const QStyleOptionViewItem& option, const QModelIndex& index, std::size_t member)
{
    const QVariantList places = index.data(kFamilyMemberRectsRole).toList();
    if (member >= std::size_t(places.size()))
        return {};
    const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    const QRect strip = style->subElementRect(QStyle::SE_ItemViewItemDecoration, &option, option.widget);
    return places[qsizetype(member)].toRect().translated(strip.topLeft());
}

QRect FamilyRowDelegate::memberRect(const QAbstractItemView* view, const QModelIndex& index, std::size_t member)
{
    const auto* delegate = qobject_cast<const FamilyRowDelegate*>(view->itemDelegateForIndex(index));
    if (!delegate)
        return {};
    QStyleOptionViewItem option;
    option.initFrom(view->viewport());
    option.widget = view;
    option.rect = view->visualRect(index);
    option.font = view->font();
    option.fontMetrics = view->fontMetrics();
    delegate->initStyleOption(&option, index);
    return memberRect(option, index, member);
}

bool FamilyRowDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                    const QModelIndex& index)
{
    if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
        const qsizetype members = index.data(kFamilyMemberRectsRole).toList().size();
        for (std::size_t member = 0; member < std::size_t(members); ++member)
            if (memberRect(cell, index, member).contains(pos)) {
                emit memberPressed(index.row(), member);
                break;
            }
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

} // namespace pq
