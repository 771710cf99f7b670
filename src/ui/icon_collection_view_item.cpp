#include "ui/icon_collection_view_item.h"

#include "ui/icon_view.h"

#include <QPainter>
#include <QPainterPath>

namespace pq {
namespace {
constexpr int kButtonSide = 26;
} // namespace

QRect IconCollectionViewItem::iconRect(const QRect& tile)
{
    return QRect(tile.left() + (tile.width() - kIconSide) / 2, tile.top() + 8, kIconSide, kIconSide);
}

QRect IconCollectionViewItem::labelRect(const QRect& tile)
{
    const QRect icon = iconRect(tile);
    return QRect(icon.left(), icon.bottom() + 5, icon.width() - kButtonSide - 4, kButtonSide);
}

QRect IconCollectionViewItem::addButtonRect(const QRect& tile)
{
    const QRect icon = iconRect(tile);
    return QRect(icon.right() + 1 - kButtonSide, icon.bottom() + 5, kButtonSide, kButtonSide);
}

QString IconCollectionViewItem::labelText() const
{
    return m_chunk ? QString::number(m_chunk->offsetInFile) : QString();
}

void IconCollectionViewItem::paint(QPainter& painter, const QRect& tile, const QPalette& palette) const
{
    const QColor accent = palette.color(QPalette::Highlight);
    painter.save();
    if (m_selected) {
        QColor background = accent;
        background.setAlphaF(0.25f);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(QPen(accent, kSelectedBorderWidth));
        painter.setBrush(background);
        const qreal half = kSelectedBorderWidth / 2.0;
        painter.drawRoundedRect(QRectF(tile).adjusted(half, half, -half, -half), kCornerRadius, kCornerRadius);
    }

    const QRect icon = iconRect(tile);
    if (m_chunk)
        IconView::paintIcon(painter, icon, m_chunk->pixelArray, m_zoomFactor, m_withGrid);
    // The icon's frame: 1 point grey with rounded corners.
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(Qt::gray, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(icon).adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius, kCornerRadius);

    if (m_chunk) {
        painter.setPen(palette.color(m_selected ? QPalette::Text : QPalette::WindowText));
        painter.drawText(labelRect(tile), Qt::AlignLeft | Qt::AlignVCenter, labelText());
    }
    if (isAddButtonVisible()) {
        const QRectF button = QRectF(addButtonRect(tile)).adjusted(1, 1, -1, -1);
        painter.setPen(Qt::NoPen);
        painter.setBrush(accent);
        painter.drawEllipse(button);
        painter.setPen(QPen(palette.color(QPalette::HighlightedText), 2.5, Qt::SolidLine, Qt::RoundCap));
        const QPointF c = button.center();
        const qreal arm = button.width() * 0.28;
        painter.drawLine(QPointF(c.x() - arm, c.y()), QPointF(c.x() + arm, c.y()));
        painter.drawLine(QPointF(c.x(), c.y() - arm), QPointF(c.x(), c.y() + arm));
    }
    painter.restore();
}

} // namespace pq
