#pragma once

#include "decoding/chunk.h"

#include <QPalette>
#include <QRect>
#include <QString>

#include <cstdint>
#include <optional>

class QPainter;

namespace pq {

// One tile of the icon browser: a chunk's icon at the browser's zoom, the chunk's file offset
// below it, the selection look, and the add-bookmark button shown on the selected tile only
// (the grid handles its clicks).
// The grid paints tiles instead of keeping one widget per tile, so a tile is a small value
// made for each tile the grid shows.
class IconCollectionViewItem {
public:
    // Geometry inside a tile rectangle of TileGridLayout::kTileWidth x kTileHeight.
    static constexpr int kIconSide = 160;
    static constexpr int kCornerRadius = 10;
    static constexpr int kSelectedBorderWidth = 3;
    static QRect iconRect(const QRect& tile);
    static QRect labelRect(const QRect& tile);
    static QRect addButtonRect(const QRect& tile);

    // Holding a chunk sets the label to its offset (decimal, no separators) and the icon to
    // its pixels; without a chunk neither label nor icon is shown.
    void setRepresentedObject(std::optional<Chunk> chunk) { m_chunk = std::move(chunk); }
    const std::optional<Chunk>& representedObject() const { return m_chunk; }
    QString labelText() const;

    bool isSelected() const { return m_selected; }
    void setSelected(bool selected) { m_selected = selected; }
    bool isAddButtonVisible() const { return m_selected; }

    std::int64_t zoomFactor() const { return m_zoomFactor; }
    void setZoomFactor(std::int64_t zoom) { m_zoomFactor = zoom; }
    bool withGrid() const { return m_withGrid; }
    void setWithGrid(bool on) { m_withGrid = on; }

    void paint(QPainter& painter, const QRect& tile, const QPalette& palette) const;

private:
    std::optional<Chunk> m_chunk;
    bool m_selected = false;
    std::int64_t m_zoomFactor = 5;
    bool m_withGrid = true;
};

} // namespace pq
