#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <cstdint>
#include <optional>

namespace pq {

// Where the first visible pixel row of the grid's content is: a tile row and a pixel offset
// into that row's pitch (tile height + spacing).
struct ScrollPosition {
    std::int64_t row = 0;
    std::int64_t pixelOffset = 0;
    friend bool operator==(const ScrollPosition&, const ScrollPosition&) = default;
};

// An inclusive range of tile indices.
struct TileRange {
    std::int64_t first = 0;
    std::int64_t last = -1;
    bool isEmpty() const { return last < first; }
    std::int64_t count() const { return isEmpty() ? 0 : last - first + 1; }
    friend bool operator==(const TileRange&, const TileRange&) = default;
};

// The arithmetic of the icon browser's grid, without any widget: tile index <-> row and
// column <-> content pixels, the vertical scroll origin and its mapping onto an int-based
// scroll bar. Everything that can grow with the file is 64-bit: a 16 GiB file at 1 bit 16x16
// has about 8.6e9 tiles and a content height near 2e11 pixels.
//
// Content coordinates grow downward from the top of the first tile row (plus a margin).
// Tiles are laid out row by row, as many per row as the viewport width holds (at least
// one), and the grid is centred horizontally.
class TileGridLayout {
public:
    static constexpr int kTileWidth = 180;
    static constexpr int kTileHeight = 206;
    static constexpr int kSpacing = 10;
    static constexpr int kMargin = 10;
    static constexpr std::int64_t kRowPitch = kTileHeight + kSpacing;
    // The largest scroll bar maximum used; beyond it the bar is scaled onto the origin.
    static constexpr int kScrollBarLimit = 1 << 30;

    // The narrowest viewport that shows this many tiles per row.
    static constexpr int widthForColumns(int columns) { return 2 * kMargin + columns * (kTileWidth + kSpacing) - kSpacing; }

    // A negative count shows no tiles.
    void setTileCount(std::int64_t count);
    std::int64_t tileCount() const { return m_tileCount; }

    // Changing the size keeps the origin where it was, limited to the new content.
    void setViewportSize(QSize size);
    QSize viewportSize() const { return m_viewport; }

    int columns() const { return m_columns; }
    std::int64_t rowCount() const;
    std::int64_t contentHeight() const;
    std::int64_t maxOrigin() const;

    // The vertical scroll origin, always within 0 ... maxOrigin().
    std::int64_t origin() const { return m_origin; }
    void setOrigin(std::int64_t y);
    void scrollBy(std::int64_t dy);
    ScrollPosition position() const { return {m_origin / kRowPitch, m_origin % kRowPitch}; }

    std::int64_t rowOf(std::int64_t item) const { return item / m_columns; }
    int columnOf(std::int64_t item) const { return static_cast<int>(item % m_columns); }
    // Top edge of a tile row in content coordinates.
    std::int64_t rowTop(std::int64_t row) const { return kMargin + row * kRowPitch; }
    int columnLeft(int column) const;

    // A tile's rectangle in viewport coordinates, when it lies (partly) in the viewport.
    std::optional<QRect> viewportRect(std::int64_t item) const;
    // The tiles whose rows intersect the viewport (whole rows, clipped to the tile count).
    TileRange visibleTiles() const;
    // The tile under a viewport point, if any.
    std::optional<std::int64_t> tileAt(QPoint viewportPoint) const;

    // Origin that puts the given tile's row (or the rows of a range) at the vertical centre,
    // limited to the content.
    std::int64_t originCentring(std::int64_t item) const { return originCentring(TileRange{item, item}); }
    std::int64_t originCentring(TileRange range) const;
    // Origin that shows the tile's row whole with the least movement.
    std::int64_t originRevealing(std::int64_t item) const;

    // The scroll bar's range and value. Up to kScrollBarLimit pixels of scrolling map one to
    // one; beyond that the bar covers the same range with kScrollBarLimit steps.
    int scrollBarMaximum() const;
    int scrollBarPageStep() const;
    // A quarter tile row, in scroll bar units.
    int scrollBarSingleStep() const;
    int scrollBarValue() const;
    void setOriginFromScrollBar(int value);

    // Maps a tile of the old tile count onto the proportionally same tile of the new count:
    // multiplied by new / old when the count grows, divided by old / new otherwise (integer
    // ratios). Nothing when either count is not positive.
    static std::optional<std::int64_t> translateTile(std::int64_t oldCount, std::int64_t newCount,
                                                     std::int64_t item);

private:
    void update();

    std::int64_t m_tileCount = 0;
    QSize m_viewport{0, 0};
    int m_columns = 1;
    std::int64_t m_origin = 0;
};

} // namespace pq
