#include "ui/icon_view.h"

#include "decoding/pixel_array_renderer.h"

#include <QPainter>

namespace pq {

IconView::IconView(QWidget* parent) : QWidget(parent) {}

void IconView::paintIcon(QPainter& painter, const QRect& rect, const PixelArray& pixels, std::int64_t zoom,
                         bool withGrid)
{
    painter.save();
    painter.translate(rect.topLeft());
    painter.setClipRect(QRect(QPoint(0, 0), rect.size()), Qt::IntersectClip);
    drawPixelArray(painter, QSizeF(rect.size()), zoom, withGrid, false, pixels);
    painter.restore();
}

void IconView::paintEvent(QPaintEvent*)
{
    if (!m_pixelData)
        return;
    QPainter painter(this);
    if (!painter.isActive())
        return;
    paintIcon(painter, rect(), *m_pixelData, m_zoomFactor, m_withGrid);
}

} // namespace pq
