#include "ui/export_size_label.h"
#include "ui/navigation_keys.h"
#include "ui/tile_grid_layout.h"

#include <gtest/gtest.h>

#include <Qt>

#include <cstdint>
#include <limits>
#include <optional>

namespace pq {
namespace {

using L = TileGridLayout;

TileGridLayout makeLayout(std::int64_t count, QSize viewport = {1920, 1080})
{
    TileGridLayout layout;
    layout.setViewportSize(viewport);
    layout.setTileCount(count);
    return layout;
}

// Tiles at 1 bit 16x16 (2 bytes per row, 32-byte chunks) of a 16 GiB file.
constexpr std::int64_t kHugeCount = 8'589'934'576; // rows r with 2r + 32 < 16 GiB

TEST(TileGridLayout, FitsAsManyColumnsAsTheWidthHoldsAtLeastOneCentred)
{
    const std::pair<int, int> cases[] = {{0, 1}, {150, 1}, {389, 1}, {390, 2}, {1920, 10}};
    for (const auto& [width, columns] : cases) {
        const auto layout = makeLayout(100, {width, 500});
        EXPECT_EQ(layout.columns(), columns) << width;
        const int right = width - (layout.columnLeft(layout.columns() - 1) + L::kTileWidth);
        EXPECT_TRUE(width < L::kTileWidth + 2 * L::kMargin || std::abs(layout.columnLeft(0) - right) <= 1) << width;
    }
    for (std::int64_t count : {std::int64_t{-5}, std::int64_t{0}}) { // no tiles show nothing
        const auto layout = makeLayout(count);
        EXPECT_EQ(layout.contentHeight(), 0);
        EXPECT_TRUE(layout.visibleTiles().isEmpty());
        EXPECT_EQ(layout.tileAt({100, 100}), std::nullopt);
    }
}

TEST(TileGridLayout, TileRectanglesAndHitTestsAgree)
{
    auto layout = makeLayout(95, {1000, 700}); // 5 columns, 19 rows
    ASSERT_EQ(layout.columns(), 5);
    EXPECT_EQ(layout.rowCount(), 19);
    layout.setOrigin(1000);
    const TileRange visible = layout.visibleTiles();
    ASSERT_FALSE(visible.isEmpty());
    for (std::int64_t i = visible.first; i <= visible.last; ++i) {
        const QRect shown = layout.viewportRect(i).value_or(QRect()).intersected(QRect(QPoint(0, 0), layout.viewportSize()));
        ASSERT_FALSE(shown.isEmpty()) << i;
        for (const QPoint& point : {shown.center(), shown.topLeft(), shown.bottomRight()})
            EXPECT_EQ(layout.tileAt(point), i);
    }
    // Rows just outside the range are out of view; gaps between tiles hit nothing.
    EXPECT_FALSE(layout.viewportRect(visible.first - 1));
    EXPECT_FALSE(layout.viewportRect(visible.last + 1));
    const QRect first = *layout.viewportRect(visible.first);
    EXPECT_EQ(layout.tileAt({first.right() + 3, first.center().y()}), std::nullopt);
    // The last row is partial: 95 = 19 x 5 full rows, so 92 tiles leave three in the last row.
    layout.setTileCount(92);
    layout.setOrigin(layout.maxOrigin());
    const QRect lastRowFirst = *layout.viewportRect(90);
    EXPECT_EQ(layout.tileAt({lastRowFirst.center().x() + 2 * (L::kTileWidth + L::kSpacing), lastRowFirst.center().y()}),
              std::nullopt);
}

TEST(TileGridLayout, OriginStaysWithinContentAndCentringPutsTheRowInTheMiddle)
{
    auto layout = makeLayout(10000, {1000, 700});
    layout.setOrigin(-50);
    EXPECT_EQ(layout.origin(), 0);
    layout.setOrigin(layout.contentHeight());
    EXPECT_EQ(layout.origin(), layout.contentHeight() - 700);
    layout.scrollBy(INT64_MIN);
    EXPECT_EQ(layout.origin(), 0);
    layout.scrollBy(INT64_MAX);
    EXPECT_EQ(layout.origin(), layout.maxOrigin());

    layout.setOrigin(layout.originCentring(4321));
    ASSERT_TRUE(layout.viewportRect(4321));
    EXPECT_LE(std::abs(layout.viewportRect(4321)->center().y() - 350), 1);
    EXPECT_EQ(layout.originCentring(0), 0); // near either end the content limits the centring
    EXPECT_EQ(layout.originCentring(9999), layout.maxOrigin());
    layout.setOrigin(layout.originCentring(TileRange{500, 524})); // a range: on the middle of its rows
    EXPECT_LE(std::abs((layout.viewportRect(500)->top() + layout.viewportRect(524)->bottom()) / 2 - 350), 1);

    layout.setOrigin(layout.maxOrigin()); // shrinking the count pulls the origin back inside
    layout.setTileCount(10);
    EXPECT_EQ(layout.origin(), layout.maxOrigin());
}

TEST(TileGridLayout, HugeFileFirstMiddleAndLastTilesAndTheScrollBarCoversThem)
{
    auto layout = makeLayout(kHugeCount);
    EXPECT_EQ(layout.rowCount(), 858'993'458); // ten tiles a row, the last row partly filled
    EXPECT_EQ(layout.visibleTiles().first, 0);
    EXPECT_EQ(layout.position(), (ScrollPosition{0, 0}));

    const std::int64_t middle = kHugeCount / 2;
    layout.setOrigin(layout.originCentring(middle));
    ASSERT_TRUE(layout.viewportRect(middle));
    EXPECT_LE(std::abs(layout.viewportRect(middle)->center().y() - 540), 1);
    EXPECT_EQ(layout.tileAt(layout.viewportRect(middle)->center()), middle);

    layout.setOrigin(navigationTarget(kEndKeyCode, layout.origin(), 1080, layout.contentHeight()));
    EXPECT_EQ(layout.origin(), layout.maxOrigin());
    EXPECT_EQ(layout.visibleTiles().last, kHugeCount - 1);
    const auto last = layout.viewportRect(kHugeCount - 1);
    ASSERT_TRUE(last);
    EXPECT_LE(last->bottom(), 1080);
    EXPECT_EQ(layout.tileAt(last->center()), kHugeCount - 1);

    // The bar's range is capped; a page of it moves about one viewport.
    const double barStep = double(layout.maxOrigin()) / L::kScrollBarLimit + 1;
    layout.setOriginFromScrollBar(1000);
    const std::int64_t before = layout.origin();
    layout.setOriginFromScrollBar(1000 + layout.scrollBarPageStep());
    EXPECT_NEAR(double(layout.origin() - before), 1080.0, barStep);
    layout.setOriginFromScrollBar(L::kScrollBarLimit / 2);
    EXPECT_NEAR(double(layout.origin()), double(layout.maxOrigin()) / 2, barStep);
    EXPECT_EQ(layout.scrollBarValue(), L::kScrollBarLimit / 2);
    layout.setOriginFromScrollBar(L::kScrollBarLimit);
    EXPECT_EQ(layout.origin(), layout.maxOrigin());
    layout.setOriginFromScrollBar(-7);
    EXPECT_EQ(layout.origin(), 0);

    // Small content maps one scroll bar step to one pixel.
    auto small = makeLayout(1000, {1000, 700});
    small.setOriginFromScrollBar(1234);
    EXPECT_EQ(small.origin(), 1234);
    EXPECT_EQ(small.scrollBarValue(), 1234);
    EXPECT_EQ(small.scrollBarPageStep(), 700);
}

TEST(TileGridLayout, TranslateTileScalesByTheIntegerRatioOfTheCounts)
{
    const std::tuple<std::int64_t, std::int64_t, std::int64_t, std::optional<std::int64_t>> cases[] = {
        {1000, 2000, 10, 20}, {2000, 1000, 10, 5}, {1000, 1500, 10, 10}, {1000, 1000, 999, 999},
        {1000, 0, 10, std::nullopt}, {1000, -4, 10, std::nullopt}, {0, 1000, 10, std::nullopt},
        {10, 25, 40, 24}, // a stale anchor beyond the old count stays inside the new one
        // A 16 GiB file at 1 bit 32x32 (4-byte rows, 128-byte chunks) to 1 bit 16x16 and back.
        {4'294'967'264, kHugeCount, 2'000'000'123, 4'000'000'246}, {kHugeCount, 4'294'967'264, 4'000'000'246, 2'000'000'123}};
    for (const auto& [oldCount, newCount, item, expected] : cases)
        EXPECT_EQ(L::translateTile(oldCount, newCount, item), expected) << oldCount << " " << newCount << " " << item;
}

TEST(NavigationKeys, TargetsFollowTheKeyWithinTheContent)
{
    const std::tuple<std::uint16_t, std::int64_t, std::int64_t, std::int64_t, std::int64_t> cases[] = {
        {kHomeKeyCode, 5000, 700, 10000, 0},    {kEndKeyCode, 0, 700, 10000, 9300},
        {kPageDownKeyCode, 0, 700, 10000, 700}, {kPageUpKeyCode, 700, 700, 10000, 0},
        {kPageUpKeyCode, 0, 700, 10000, 0},     {kPageDownKeyCode, 9000, 700, 10000, 9300},
        {kEndKeyCode, 0, 700, 300, 0},          {0x75, 1234, 700, 10000, 1234}, {0x78, 1234, 700, 10000, 1234}};
    for (const auto& [code, y, h, H, expected] : cases) // key, origin, viewport and content heights, target
        EXPECT_EQ(navigationTarget(code, y, h, H), expected) << code << " at " << y;
    EXPECT_EQ(navigationKeyCodeForQtKey(Qt::Key_Down), std::nullopt);
}

// The labels' usual text is checked on the export panel; here the edges it cannot reach.
TEST(SizeLabelText, NoWidthsAndOverflowingSizes)
{
    EXPECT_EQ(sizeLabelText(SizeLabel::SVG, {}, 7), "Resulting size: ");
    EXPECT_EQ(sizeLabelText(SizeLabel::Image, std::vector<std::int64_t>{16, 32}, std::numeric_limits<std::int64_t>::max() / 10),
              "Resulting image size: too large, too large");
}

TEST(IntegerValueOfText, LeadingIntegerLikeAZoomField)
{
    const std::pair<const char*, std::int64_t> cases[] = {
        {"12", 12}, {"  7x", 7}, {"abc", 0}, {"", 0}, {"-3", -3}, {"+4", 4}, {"1 2", 1},
        {"99999999999999999999", std::numeric_limits<std::int64_t>::max()},
        {"-99999999999999999999", std::numeric_limits<std::int64_t>::min()},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(integerValueOfText(QString::fromLatin1(text)), value) << text;
}

} // namespace
} // namespace pq
