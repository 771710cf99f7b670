#pragma once

#include "ui/icon_collection_view_item.h"
#include "ui/tile_grid_layout.h"

#include <QAbstractScrollArea>

#include <cstdint>
#include <optional>

namespace pq {

// What the tile grid asks of whoever feeds it: how many tiles there are, and the content of
// one tile (its chunk, zoom and grid flag). A paint announces itself, then asks for its tiles
// in increasing order.
class IconBrowserDataSource {
public:
    virtual ~IconBrowserDataSource() = default;
    virtual std::int64_t tileCount() const = 0;
    virtual void beginPaint() const {}
    virtual void fillTile(std::int64_t item, IconCollectionViewItem& tile) const = 0;
};

// The tile grid: a scroll area over a TileGridLayout that decodes and paints only the tiles
// in view. A resize keeps the tiles that were visible before it centred vertically. Mouse
// clicks and arrow keys select a tile; a click on the selected tile's add button emits
// bookmarkRequested with its chunk. Home, End, Page Up and Page Down are not handled here:
// they are emitted as navigationKeyPressed with their key codes, and the browser scrolls.
class IconBrowserView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit IconBrowserView(QWidget* parent = nullptr);

    void setDataSource(const IconBrowserDataSource* source);
    // Asks the data source for the tile count again and repaints every visible tile. The
    // selection is kept when it is still within the count.
    void reset();

    const TileGridLayout& gridLayout() const { return m_layout; }
    std::int64_t tileCount() const { return m_layout.tileCount(); }
    TileRange visibleItems() const { return m_layout.visibleTiles(); }
    std::optional<QRect> rectForItem(std::int64_t item) const { return m_layout.viewportRect(item); }

    std::optional<std::int64_t> selectedItem() const { return m_selected; }
    // Selects a tile (nothing for one outside the count) and scrolls it to the vertical centre.
    void selectItem(std::int64_t item, bool centre);
    void clearSelection();

    // The vertical scroll origin in content pixels, kept within the content.
    std::int64_t scrollOrigin() const { return m_layout.origin(); }
    void setScrollOrigin(std::int64_t y);
    void centreItems(TileRange range);
    void scrollToTop() { setScrollOrigin(0); }

    // A tile made as the grid would paint it (for tests and the benchmark).
    IconCollectionViewItem makeItem(std::int64_t item) const;

signals:
    void selectionChanged();
    // The add button of the selected tile was clicked.
    void bookmarkRequested(const pq::Chunk& chunk);
    // One of the four navigation keys was pressed (whatever modifiers were held).
    void navigationKeyPressed(quint16 keyCode);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void syncScrollBar();
    void moveSelection(std::int64_t delta);

    const IconBrowserDataSource* m_source = nullptr;
    TileGridLayout m_layout;
    std::optional<std::int64_t> m_selected;
    bool m_syncing = false;
};

} // namespace pq
