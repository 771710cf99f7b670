#include "ui/tile_grid_layout.h"

#include <algorithm>
#include <limits>

namespace pq {
namespace {

// Tile counts come from file sizes; a count this large would need more than 2^63 content
// pixels, so it is limited where the arithmetic could overflow.
constexpr std::int64_t kMaxRows = std::numeric_limits<std::int64_t>::max() / (4 * TileGridLayout::kRowPitch);

} // namespace

void TileGridLayout::setTileCount(std::int64_t count)
{
    m_tileCount = std::max<std::int64_t>(count, 0);
    update();
}

void TileGridLayout::setViewportSize(QSize size)
{
    m_viewport = QSize(std::max(size.width(), 0), std::max(size.height(), 0));
    update();
}

void TileGridLayout::update()
{
    const int usable = m_viewport.width() - 2 * kMargin + kSpacing;
    m_columns = std::max(1, usable / (kTileWidth + kSpacing));
    m_origin = std::clamp<std::int64_t>(m_origin, 0, maxOrigin());
}

std::int64_t TileGridLayout::rowCount() const
{
    const std::int64_t rows = m_tileCount / m_columns + (m_tileCount % m_columns != 0 ? 1 : 0);
    return std::min(rows, kMaxRows);
}

std::int64_t TileGridLayout::contentHeight() const
{
    const std::int64_t rows = rowCount();
    if (rows == 0)
        return 0;
    return 2 * kMargin + rows * kRowPitch - kSpacing;
}

std::int64_t TileGridLayout::maxOrigin() const
{
    return std::max<std::int64_t>(0, contentHeight() - m_viewport.height());
}

void TileGridLayout::setOrigin(std::int64_t y)
{
    m_origin = std::clamp<std::int64_t>(y, 0, maxOrigin());
}

void TileGridLayout::scrollBy(std::int64_t dy)
{
    // Saturate instead of overflowing on absurd deltas.
    std::int64_t target = 0;
    if (__builtin_add_overflow(m_origin, dy, &target))
        target = dy < 0 ? 0 : maxOrigin();
    setOrigin(target);
}

int TileGridLayout::columnLeft(int column) const
{
    const int gridWidth = m_columns * kTileWidth + (m_columns - 1) * kSpacing;
    const int left = std::max(kMargin, (m_viewport.width() - gridWidth) / 2);
    return left + column * (kTileWidth + kSpacing);
}

std::optional<QRect> TileGridLayout::viewportRect(std::int64_t item) const
{
    if (item < 0 || item >= m_tileCount || rowOf(item) >= rowCount())
        return std::nullopt;
    const std::int64_t top = rowTop(rowOf(item)) - m_origin;
    if (top + kTileHeight <= 0 || top >= m_viewport.height())
        return std::nullopt;
    return QRect(columnLeft(columnOf(item)), static_cast<int>(top), kTileWidth, kTileHeight);
}

TileRange TileGridLayout::visibleTiles() const
{
    const std::int64_t rows = rowCount();
    if (rows == 0 || m_viewport.height() <= 0)
        return {};
    // Rows whose [top, top + tileHeight) meets [origin, origin + height).
    const std::int64_t firstRow = std::max<std::int64_t>(0, (m_origin - kMargin - kTileHeight) / kRowPitch);
    std::int64_t row = firstRow;
    while (row < rows && rowTop(row) + kTileHeight <= m_origin)
        ++row;
    const std::int64_t bottom = m_origin + m_viewport.height();
    std::int64_t lastRow = std::min(rows - 1, std::max<std::int64_t>(0, (bottom - kMargin) / kRowPitch));
    while (lastRow >= row && rowTop(lastRow) >= bottom)
        --lastRow;
    if (lastRow < row)
        return {};
    const std::int64_t first = row * m_columns;
    const std::int64_t last = std::min(m_tileCount - 1, (lastRow + 1) * m_columns - 1);
    return {first, last};
}

std::optional<std::int64_t> TileGridLayout::tileAt(QPoint p) const
{
    if (p.y() < 0 || p.y() >= m_viewport.height())
        return std::nullopt;
    const std::int64_t y = m_origin + p.y() - kMargin;
    if (y < 0 || y % kRowPitch >= kTileHeight)
        return std::nullopt;
    const std::int64_t row = y / kRowPitch;
    const int x = p.x() - columnLeft(0);
    if (x < 0 || x % (kTileWidth + kSpacing) >= kTileWidth)
        return std::nullopt;
    const int column = x / (kTileWidth + kSpacing);
    if (column >= m_columns || row >= rowCount())
        return std::nullopt;
    const std::int64_t item = row * m_columns + column;
    if (item >= m_tileCount)
        return std::nullopt;
    return item;
}

std::int64_t TileGridLayout::originCentring(TileRange range) const
{
    if (range.isEmpty() || m_tileCount == 0)
        return m_origin;
    const std::int64_t first = std::clamp<std::int64_t>(range.first, 0, m_tileCount - 1);
    const std::int64_t last = std::clamp<std::int64_t>(range.last, first, m_tileCount - 1);
    const std::int64_t top = rowTop(rowOf(first));
    const std::int64_t bottom = rowTop(rowOf(last)) + kTileHeight;
    const std::int64_t centre = top + (bottom - top) / 2;
    return std::clamp<std::int64_t>(centre - m_viewport.height() / 2, 0, maxOrigin());
}

std::int64_t TileGridLayout::originRevealing(std::int64_t item) const
{
    if (item < 0 || item >= m_tileCount)
        return m_origin;
    const std::int64_t top = rowTop(rowOf(item));
    const std::int64_t bottom = top + kTileHeight;
    std::int64_t y = m_origin;
    if (top < y)
        y = top - kMargin;
    else if (bottom > y + m_viewport.height())
        y = bottom + kMargin - m_viewport.height();
    return std::clamp<std::int64_t>(y, 0, maxOrigin());
}

int TileGridLayout::scrollBarMaximum() const
{
    return static_cast<int>(std::min<std::int64_t>(maxOrigin(), kScrollBarLimit));
}

int TileGridLayout::scrollBarPageStep() const
{
    const std::int64_t max = maxOrigin();
    if (max <= kScrollBarLimit)
        return std::max(1, m_viewport.height());
    const auto scaled = static_cast<__int128>(m_viewport.height()) * kScrollBarLimit / max;
    return static_cast<int>(std::max<__int128>(1, scaled));
}

int TileGridLayout::scrollBarSingleStep() const
{
    const std::int64_t step = kRowPitch / 4;
    const std::int64_t max = maxOrigin();
    if (max <= kScrollBarLimit)
        return static_cast<int>(step);
    return static_cast<int>(std::max<__int128>(1, static_cast<__int128>(step) * kScrollBarLimit / max));
}

int TileGridLayout::scrollBarValue() const
{
    const std::int64_t max = maxOrigin();
    if (max <= kScrollBarLimit)
        return static_cast<int>(m_origin);
    return static_cast<int>(static_cast<__int128>(m_origin) * kScrollBarLimit / max);
}

void TileGridLayout::setOriginFromScrollBar(int value)
{
    const std::int64_t max = maxOrigin();
    if (max <= kScrollBarLimit) {
        setOrigin(value);
        return;
    }
    const int v = std::clamp(value, 0, kScrollBarLimit);
    setOrigin(static_cast<std::int64_t>(static_cast<__int128>(v) * max / kScrollBarLimit));
}

std::optional<std::int64_t> TileGridLayout::translateTile(std::int64_t oldCount, std::int64_t newCount,
                                                          std::int64_t item)
{
    if (oldCount <= 0 || newCount <= 0 || item < 0)
        return std::nullopt;
    // An anchor from a stale count is kept inside the new one.
    const std::int64_t translated = newCount >= oldCount ? item * (newCount / oldCount) : item / (oldCount / newCount);
    return std::min(translated, newCount - 1);
}

} // namespace pq
