#include "ui/icon_browser_view.h"

#include "ui/navigation_keys.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

namespace pq {

IconBrowserView::IconBrowserView(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setAutoFillBackground(true);
    viewport()->setBackgroundRole(QPalette::Base);
    m_layout.setViewportSize(viewport()->size());
}

void IconBrowserView::setDataSource(const IconBrowserDataSource* source)
{
    m_source = source;
    reset();
}

void IconBrowserView::reset()
{
    m_layout.setTileCount(m_source ? m_source->tileCount() : 0);
    if (m_selected && *m_selected >= m_layout.tileCount()) {
        m_selected.reset();
        emit selectionChanged();
    }
    syncScrollBar();
    viewport()->update();
}

void IconBrowserView::selectItem(std::int64_t item, bool centre)
{
    if (item < 0 || item >= m_layout.tileCount())
        return;
    const bool changed = m_selected != item;
    m_selected = item;
    setScrollOrigin(centre ? m_layout.originCentring(item) : m_layout.originRevealing(item));
    viewport()->update();
    if (changed)
        emit selectionChanged();
}

void IconBrowserView::clearSelection()
{
    if (!m_selected)
        return;
    m_selected.reset();
    viewport()->update();
    emit selectionChanged();
}

void IconBrowserView::setScrollOrigin(std::int64_t y)
{
    m_layout.setOrigin(y);
    syncScrollBar();
    viewport()->update();
}

void IconBrowserView::centreItems(TileRange range)
{
    if (range.isEmpty())
        return;
    setScrollOrigin(m_layout.originCentring(range));
}

IconCollectionViewItem IconBrowserView::makeItem(std::int64_t item) const
{
    IconCollectionViewItem tile;
    if (m_source)
        m_source->fillTile(item, tile);
    tile.setSelected(m_selected == item);
    return tile;
}

void IconBrowserView::syncScrollBar()
{
    m_syncing = true;
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, m_layout.scrollBarMaximum());
    bar->setPageStep(m_layout.scrollBarPageStep());
    bar->setSingleStep(m_layout.scrollBarSingleStep());
    bar->setValue(m_layout.scrollBarValue());
    m_syncing = false;
}

void IconBrowserView::scrollContentsBy(int, int)
{
    if (m_syncing)
        return;
    m_layout.setOriginFromScrollBar(verticalScrollBar()->value());
    viewport()->update();
}

void IconBrowserView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const TileRange range = m_layout.visibleTiles();
    const QPalette pal = palette();
    if (m_source)
        m_source->beginPaint();
    for (std::int64_t i = range.first; i <= range.last; ++i) {
        const auto rect = m_layout.viewportRect(i);
        if (!rect)
            continue;
        makeItem(i).paint(painter, *rect, pal);
    }
}

void IconBrowserView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    const TileRange before = m_layout.visibleTiles();
    m_layout.setViewportSize(viewport()->size());
    if (!before.isEmpty())
        m_layout.setOrigin(m_layout.originCentring(before));
    syncScrollBar();
}

void IconBrowserView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const QPoint p = event->position().toPoint();
    const auto item = m_layout.tileAt(p);
    if (!item) {
        event->accept();
        return;
    }
    if (m_selected == item) {
        const auto rect = m_layout.viewportRect(*item);
        if (rect && IconCollectionViewItem::addButtonRect(*rect).contains(p)) {
            const IconCollectionViewItem tile = makeItem(*item);
            if (const auto& chunk = tile.representedObject())
                emit bookmarkRequested(*chunk);
            event->accept();
            return;
        }
    }
    selectItem(*item, false);
    event->accept();
}

void IconBrowserView::moveSelection(std::int64_t delta)
{
    const std::int64_t count = m_layout.tileCount();
    if (count == 0)
        return;
    std::int64_t target = 0;
    if (m_selected) {
        target = *m_selected + delta;
        if (target < 0 || target >= count)
            return;
    } else {
        target = m_layout.visibleTiles().isEmpty() ? 0 : m_layout.visibleTiles().first;
    }
    selectItem(target, false);
}

void IconBrowserView::keyPressEvent(QKeyEvent* event)
{
    if (const auto code = navigationKeyCodeForQtKey(event->key())) {
        emit navigationKeyPressed(*code);
        event->accept();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left: moveSelection(-1); break;
    case Qt::Key_Right: moveSelection(1); break;
    case Qt::Key_Up: moveSelection(-m_layout.columns()); break;
    case Qt::Key_Down: moveSelection(m_layout.columns()); break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    event->accept();
}

void IconBrowserView::wheelEvent(QWheelEvent* event)
{
    std::int64_t dy = 0;
    if (!event->pixelDelta().isNull())
        dy = -event->pixelDelta().y();
    else
        dy = -static_cast<std::int64_t>(event->angleDelta().y()) * (TileGridLayout::kRowPitch / 2) / 120;
    if (dy == 0) {
        event->ignore();
        return;
    }
    m_layout.scrollBy(dy);
    syncScrollBar();
    viewport()->update();
    event->accept();
}

} // namespace pq
