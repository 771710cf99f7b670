#include "ui/bookmark_list_cell.h"

#include "ui/bookmark_list_model.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPersistentModelIndex>
#include <QStyle>
#include <QTimer>

#include <algorithm>

namespace pq {
namespace {

constexpr int kMargin = 6;
constexpr int kGap = 8;
constexpr int kSpacing = 2;
constexpr int kFieldPadding = 4;

const QStyle* styleOf(const QWidget* widget) { return widget ? widget->style() : QApplication::style(); }
QFontMetrics metricsOf(const QWidget* widget) { return widget ? widget->fontMetrics() : QFontMetrics(QApplication::font()); }

QString maskText() { return BookmarkListCell::tr("Mask"); }
QString buttonText(BookmarkListCell::Control control)
{
    switch (control) {
    case BookmarkListCell::Control::View: return BookmarkListCell::tr("3D");
    case BookmarkListCell::Control::Export: return BookmarkListCell::tr("Export…");
    default: return BookmarkListCell::tr("Delete");
    }
}

QSize buttonSize(const QWidget* widget, const QString& text)
{
    QStyleOptionButton option;
    option.text = text;
    option.fontMetrics = metricsOf(widget);
    const QSize content = option.fontMetrics.size(Qt::TextShowMnemonic, text);
    return styleOf(widget)->sizeFromContents(QStyle::CT_PushButton, &option, content, widget);
}

constexpr BookmarkListCell::Control kButtons[] = {BookmarkListCell::Control::View, BookmarkListCell::Control::Export,
                                                  BookmarkListCell::Control::Delete};

} // namespace

QRect BookmarkListCell::Layout::rect(Control control) const
{
    switch (control) {
    case Control::Icon: return icon;
    case Control::Nickname: return nickname;
    case Control::Mask: return mask;
    case Control::View: return view;
    case Control::Export: return exportButton;
    case Control::Delete: return deleteButton;
    case Control::None: break;
    }
    return {};
}

BookmarkListCell::BookmarkListCell(QObject* parent) : QStyledItemDelegate(parent) {}

BookmarkListCell::Layout BookmarkListCell::layout(const QRect& rowRect, const QWidget* widget)
{
    const QFontMetrics fm = metricsOf(widget);
    const QStyle* style = styleOf(widget);
    Layout l;
    l.icon = QRect(rowRect.topLeft() + QPoint(kMargin, kMargin), BookmarkListModel::iconBoxSize());
    const int x = l.icon.right() + 1 + kGap;
    const int width = std::max(0, rowRect.right() + 1 - kMargin - x);
    int y = rowRect.top() + kMargin;
    l.nickname = QRect(x, y, width, fm.height() + 2 * kFieldPadding);
    y += l.nickname.height() + kSpacing;
    l.coordinates = QRect(x, y, width, 3 * fm.lineSpacing());
    y += l.coordinates.height() + kSpacing;
    l.note = QRect(x, y, width, 2 * fm.lineSpacing());
    const int indicator = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, widget);
    const int indicatorSpacing = style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, widget);
    l.mask = QRect(x, y, indicator + indicatorSpacing + fm.horizontalAdvance(maskText()) + kFieldPadding,
                   std::max(fm.height(), style->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, widget)) + 2);
    y += l.note.height() + kSpacing;
    int bx = x;
    for (Control control : kButtons) {
        const QRect button(QPoint(bx, y), buttonSize(widget, buttonText(control)));
        (control == Control::View ? l.view : control == Control::Export ? l.exportButton : l.deleteButton) = button;
        bx = button.right() + 1 + kSpacing * 2;
    }
    return l;
}

int BookmarkListCell::minimumRowWidth(const QWidget* widget)
{
    const Layout l = layout(QRect(0, 0, 0, 0), widget);
    return l.deleteButton.right() + 1 + kMargin;
}

QSize BookmarkListCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    const Layout l = layout(QRect(0, 0, 0, 0), option.widget);
    const int bottom = std::max(l.icon.bottom(), l.deleteButton.bottom()) + 1 + kMargin;
    return {minimumRowWidth(option.widget), bottom};
}

BookmarkListCell::Control BookmarkListCell::controlAt(const QModelIndex& index, const QRect& rowRect,
                                                      const QWidget* widget, QPoint pos)
{
    if (!index.isValid() || !(index.flags() & Qt::ItemIsEnabled))
        return Control::None;
    const Layout l = layout(rowRect, widget);
    const std::pair<Control, bool> controls[] = {
        {Control::Nickname, true},
        {Control::Mask, index.data(BookmarkListModel::ShowsMaskRole).toBool()},
        {Control::View, index.data(BookmarkListModel::DecodesRole).toBool()},
        {Control::Export, index.data(BookmarkListModel::DecodesRole).toBool()},
        {Control::Delete, true},
    };
    for (const auto& [control, enabled] : controls)
        if (enabled && l.rect(control).contains(pos))
            return control;
    return Control::None;
}

void BookmarkListCell::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QWidget* widget = option.widget;
    const QStyle* style = styleOf(widget);
    const Layout l = layout(option.rect, widget);
    painter->save();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &option, painter, widget);

    const QImage icon = index.data(BookmarkListModel::IconRole).value<QImage>();
    if (!icon.isNull())
        painter->drawImage(l.icon.topLeft(), icon);

    QStyleOptionFrame field;
    field.initFrom(widget);
    field.rect = l.nickname;
    field.lineWidth = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &field, widget);
    field.state = (field.state | QStyle::State_Sunken) & ~QStyle::State_HasFocus;
    style->drawPrimitive(QStyle::PE_PanelLineEdit, &field, painter, widget);
    const QRect nameText = l.nickname.adjusted(kFieldPadding, 0, -kFieldPadding, 0);
    painter->setPen(option.palette.color(QPalette::Text));
    painter->drawText(nameText, Qt::AlignLeft | Qt::AlignVCenter,
                      option.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, nameText.width()));

    const bool selected = option.state & QStyle::State_Selected;
    painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(l.coordinates, Qt::AlignLeft | Qt::AlignTop,
                      index.data(BookmarkListModel::CoordinatesRole).toString());
    const QString problem = index.data(BookmarkListModel::ProblemRole).toString();
    if (!problem.isEmpty()) {
        painter->drawText(l.note, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, problem);
    } else if (index.data(BookmarkListModel::ShowsMaskRole).toBool()) {
        QStyleOptionButton box;
        box.initFrom(widget);
        box.rect = l.mask;
        box.text = maskText();
        box.state = (box.state & ~QStyle::State_HasFocus) |
                    (index.data(BookmarkListModel::HasMaskRole).toBool() ? QStyle::State_On : QStyle::State_Off);
        if (selected)
            box.palette.setColor(QPalette::WindowText, option.palette.color(QPalette::HighlightedText));
        style->drawControl(QStyle::CE_CheckBox, &box, painter, widget);
    }

    for (Control control : kButtons) {
        QStyleOptionButton button;
        button.initFrom(widget);
        button.rect = l.rect(control);
        button.text = buttonText(control);
        const bool enabled = control == Control::Delete || index.data(BookmarkListModel::DecodesRole).toBool();
        button.state = (button.state & ~(QStyle::State_HasFocus | QStyle::State_MouseOver)) | QStyle::State_Raised;
        if (!enabled) {
            button.state &= ~QStyle::State_Enabled;
            button.palette.setCurrentColorGroup(QPalette::Disabled);
        }
        style->drawControl(QStyle::CE_PushButton, &button, painter, widget);
    }
    painter->restore();
}

QWidget* BookmarkListCell::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const
{
    auto* editor = new QLineEdit(parent);
    editor->setObjectName(QStringLiteral("nickname"));
    editor->setAcceptDrops(false); // dropped files go to the window, not into the name
    return editor;
}

void BookmarkListCell::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex&) const
{
    editor->setGeometry(layout(option.rect, option.widget).nickname);
}

bool BookmarkListCell::editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option,
                                   const QModelIndex& index)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton)
        return false;
    const Control control = controlAt(index, option.rect, option.widget, mouse->position().toPoint());
    if (control == Control::None)
        return false;
    // A click on a control acts on release, after the view has finished with the event (the
    // action may remove the row); it does not select the row.
    if (type == QEvent::MouseButtonRelease)
        QTimer::singleShot(0, this, [this, control, row = QPersistentModelIndex(index)] {
            if (row.isValid())
                emit controlClicked(row.row(), control);
        });
    return true;
}

} // namespace pq
