#include "decoding/chunker.h"
#include "main_window_fixture.h"
#include "ui/navigation_keys.h"

#include <QComboBox>
#include <QMessageBox>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QWheelEvent>

namespace pq {
namespace {

constexpr std::int64_t kFileSize = 200000;

// The browser inside the main window, over random bytes opened as a file.
class IconBrowserTest : public test::MainWindowFixture {
protected:
    void openFile(std::size_t size = kFileSize) { open({writeImage(7, "disk.img", size)}); }
    IconBrowserView& view() { return grid(); }
    std::int64_t offsetOf(std::int64_t item) { return view().makeItem(item).representedObject()->offsetInFile; }
    void choose(QComboBox* popup, const char* title)
    {
        const int index = popup->findText(QString::fromUtf8(title));
        ASSERT_GE(index, 0) << title;
        popup->setCurrentIndex(index);
        emit popup->activated(index);
    }
    // Distance of a tile's centre from the viewport's vertical centre.
    int offCentre(std::int64_t item)
    {
        const auto rect = view().rectForItem(item);
        return rect ? std::abs(rect->center().y() - view().viewport()->height() / 2) : 1 << 30;
    }
};

TEST_F(IconBrowserTest, BeforeAFileItShowsNoTilesAndIgnoresThePopups)
{
    EXPECT_EQ(view().tileCount(), 0);
    choose(browser->bitDepthPopup(), "256 Colors (8-bit)");
    EXPECT_EQ(browser->selectedBitDepth(), BitDepth::_1bit);
}

TEST_F(IconBrowserTest, SliderShiftsEveryTileByBytes)
{
    openFile();
    EXPECT_EQ(view().makeItem(1).zoomFactor(), 5);
    choose(browser->bitDepthPopup(), "256 Colors (8-bit)");
    EXPECT_EQ(browser->offsetSlider()->maximum(), 31);
    browser->offsetSlider()->setValue(5);
    EXPECT_EQ(offsetOf(3), 3 * 32 + 5);
    // A smaller row length keeps the slider inside its new range.
    choose(browser->dimensionPopup(), "Small Icon (16x16)");
    EXPECT_EQ(browser->offsetSlider()->maximum(), 15);
    EXPECT_EQ(view().makeItem(0).zoomFactor(), 10);
    browser->offsetSlider()->setValue(31);
    EXPECT_EQ(browser->offsetSlider()->value(), 15);
}

TEST_F(IconBrowserTest, AFormatChangeRecentresTheMiddleVisibleTile)
{
    openFile();
    view().setScrollOrigin(view().gridLayout().originCentring(20000));
    const TileRange before = view().visibleItems();
    const std::int64_t anchor = before.first + before.count() / 2;
    const std::int64_t oldCount = view().tileCount();
    choose(browser->dimensionPopup(), "Small Icon (16x16)");
    const std::int64_t newCount = view().tileCount();
    EXPECT_EQ(newCount, 99'984); // chunks end before the last byte: 2 x 99,983 + 32 < 200,000
    const std::int64_t expected = anchor * (newCount / oldCount);
    EXPECT_LE(offCentre(expected), TileGridLayout::kRowPitch / 2);

    // Choosing the same entries again reloads nothing and keeps the position.
    const std::int64_t origin = view().scrollOrigin();
    choose(browser->dimensionPopup(), "Small Icon (16x16)");
    EXPECT_EQ(view().scrollOrigin(), origin);

    // Back to 32x32: divided by the ratio.
    const TileRange now = view().visibleItems();
    const std::int64_t anchor2 = now.first + now.count() / 2;
    choose(browser->dimensionPopup(), "Regular Icon (32x32)");
    EXPECT_LE(offCentre(anchor2 / (newCount / oldCount)), TileGridLayout::kRowPitch / 2);
}

TEST_F(IconBrowserTest, ShowBookmarkSwitchesFormatAndSelectsTheCentredTile)
{
    openFile();
    QSignalSpy selection(&view(), &IconBrowserView::selectionChanged);
    browser->showBookmark(1234, {4, 128});
    EXPECT_EQ(browser->bitDepthPopup()->currentText(), "16 Colors (4-bit)");
    EXPECT_EQ(browser->dimensionPopup()->currentText(), "Regular Icon (32x32)");
    EXPECT_EQ(browser->offsetSlider()->maximum(), 15);
    EXPECT_EQ(browser->offsetSlider()->value(), 2);
    EXPECT_EQ(view().selectedItem(), 77);
    EXPECT_EQ(offsetOf(77), 1234);
    EXPECT_LE(offCentre(77), 1);
    EXPECT_EQ(selection.count(), 1);

    // An unknown bit depth keeps the bit-depth popup; the size still follows. Bit depth 0 or
    // rows under a byte are ignored as a whole.
    for (const IconFormat format : {IconFormat{2, 32}, IconFormat{0, 32}, IconFormat{1, 4}})
        browser->showBookmark(64, format);
    EXPECT_EQ(browser->selectedBitDepth(), BitDepth::_4bit);
    EXPECT_EQ(browser->selectedDimension(), Dimensions::_16x16);
}

TEST_F(IconBrowserTest, NavigationKeysScrollWithinTheContent)
{
    openFile();
    const int h = view().viewport()->height();
    const std::int64_t H = view().gridLayout().contentHeight();
    QSignalSpy posted(&view(), &IconBrowserView::navigationKeyPressed);
    view().setFocus();

    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        std::int64_t origin;
        std::uint16_t code;
    };
    const Step steps[] = {{Qt::Key_PageDown, {}, h, kPageDownKeyCode},
                          {Qt::Key_PageDown, Qt::ShiftModifier, 2 * h, kPageDownKeyCode},
                          {Qt::Key_PageUp, {}, h, kPageUpKeyCode},
                          {Qt::Key_End, {}, H - h, kEndKeyCode},
                          {Qt::Key_PageDown, {}, H - h, kPageDownKeyCode},
                          {Qt::Key_Home, {}, 0, kHomeKeyCode},
                          {Qt::Key_PageUp, {}, 0, kPageUpKeyCode}};
    for (const Step& step : steps) {
        QTest::keyClick(&view(), step.key, step.modifiers);
        EXPECT_EQ(view().scrollOrigin(), step.origin) << step.key;
        ASSERT_FALSE(posted.isEmpty());
        EXPECT_EQ(posted.last().at(0).value<quint16>(), step.code) << step.key;
        if (step.key == Qt::Key_End) {
            EXPECT_EQ(view().visibleItems().last, view().tileCount() - 1);
        }
    }
    EXPECT_EQ(posted.count(), 7);

    // Arrow keys and letters emit nothing; arrows move the selection.
    QTest::keyClick(&view(), Qt::Key_Right);
    EXPECT_EQ(view().selectedItem(), 0);
    QTest::keyClick(&view(), Qt::Key_Right);
    QTest::keyClick(&view(), Qt::Key_Down);
    EXPECT_EQ(view().selectedItem(), 1 + view().gridLayout().columns());
    QTest::keyClick(&view(), Qt::Key_A);
    QTest::keyClick(&view(), Qt::Key_Return);
    EXPECT_EQ(posted.count(), 7);
}

TEST_F(IconBrowserTest, WheelScrollsHalfARowPerNotchWithinTheContent)
{
    openFile();
    const auto wheel = [&](int angle) {
        QWheelEvent event(QPointF(100, 100), view().viewport()->mapToGlobal(QPointF(100, 100)), QPoint(),
                          QPoint(0, angle), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(view().viewport(), &event);
    };
    wheel(-240); // two notches down
    EXPECT_EQ(view().scrollOrigin(), TileGridLayout::kRowPitch);
    EXPECT_EQ(view().verticalScrollBar()->value(), TileGridLayout::kRowPitch);
    wheel(1200);
    EXPECT_EQ(view().scrollOrigin(), 0);
    view().setScrollOrigin(view().gridLayout().maxOrigin());
    wheel(-120);
    EXPECT_EQ(view().scrollOrigin(), view().gridLayout().maxOrigin());
    // Dragging the scroll bar moves the grid.
    view().verticalScrollBar()->setValue(5000);
    EXPECT_EQ(view().scrollOrigin(), 5000);
}

TEST_F(IconBrowserTest, ClickSelectsAndTheAddButtonEmitsTheChunkOnce)
{
    openFile();
    QSignalSpy bookmarking(&view(), &IconBrowserView::bookmarkRequested);
    const QRect tile = *view().rectForItem(2);
    const QPoint button = IconCollectionViewItem::addButtonRect(tile).center();
    // The button is not there before the tile is selected: the click only selects.
    QTest::mouseClick(view().viewport(), Qt::LeftButton, {}, button);
    EXPECT_EQ(view().selectedItem(), 2);
    EXPECT_EQ(bookmarking.count(), 0);
    QTest::mouseClick(view().viewport(), Qt::LeftButton, {}, button);
    ASSERT_EQ(bookmarking.count(), 1);
    EXPECT_EQ(bookmarking.at(0).at(0).value<Chunk>().offsetInFile, 8);
    // A click on another tile moves the selection.
    QTest::mouseClick(view().viewport(), Qt::LeftButton, {}, view().rectForItem(3)->center());
    EXPECT_EQ(view().selectedItem(), 3);
    EXPECT_EQ(bookmarking.count(), 1);
}

TEST_F(IconBrowserTest, ResizeKeepsTheVisibleTilesCentred)
{
    openFile();
    view().setScrollOrigin(view().gridLayout().originCentring(30000));
    const TileRange before = view().visibleItems();
    view().resize(1300, 1000);
    const TileRange after = view().visibleItems();
    EXPECT_LE(after.first, before.first);
    EXPECT_GE(after.last, before.last);
    view().resize(700, 500);
    const std::int64_t middle = before.first + before.count() / 2;
    EXPECT_LE(offCentre(middle), TileGridLayout::kRowPitch);
}

// 5,001 bytes: the chunk at o is shown when o + chunk length < 5,001, by tile o / row length at
// shift o % row length, so the tile count depends on the shift.
TEST_F(IconBrowserTest, TilesReachTheEndOfTheFileAtEveryShift)
{
    openFile(5001);
    EXPECT_EQ(view().tileCount(), 1219); // 1-bit 32x32: 4 x 1,218 + 128 < 5,001
    browser->offsetSlider()->setValue(1);
    EXPECT_EQ(view().tileCount(), 1218);
    EXPECT_EQ(offsetOf(1217), 4869);
    struct Row {
        std::int64_t offset, depth, width, tile, shift;
    };
    for (const Row& row : {Row{4872, 1, 32, 1218, 0}, Row{3976, 8, 256, 124, 8}, Row{4871, 4, 64, 608, 7}, Row{4488, 4, 128, 280, 8}}) {
        browser->showBookmark(row.offset, {row.depth, row.width});
        EXPECT_EQ(browser->offsetSlider()->value(), row.shift) << row.offset;
        EXPECT_EQ(view().selectedItem(), row.tile) << row.offset;
        EXPECT_EQ(offsetOf(row.tile), row.offset);
    }
    EXPECT_FALSE(mvc->currentAlert());
}

TEST_F(IconBrowserTest, AnOffsetNoTileShowsClearsTheSelectionAndSaysSo)
{
    openFile(5001);
    browser->showBookmark(12, {1, 32});
    ASSERT_EQ(view().selectedItem(), 3);
    browser->showBookmark(3977, {8, 256}); // 3,977 + 1,024 = 5,001: ends on the last byte
    EXPECT_FALSE(view().selectedItem());
    ASSERT_TRUE(mvc->currentAlert());
    EXPECT_EQ(mvc->currentAlert()->text(), "No tile shows offset 3977");
}

// Renders one tile into an image.
QImage renderTile(const IconCollectionViewItem& tile)
{
    QImage image(TileGridLayout::kTileWidth, TileGridLayout::kTileHeight, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QPalette palette;
    palette.setColor(QPalette::Highlight, QColor(0, 0, 255));
    tile.paint(painter, image.rect(), palette);
    return image;
}

TEST(IconTile, SelectionShowsBorderBackgroundAndAddButton)
{
    auto decoder = Chunker::create(FileData::fromBytes(std::vector<std::uint8_t>(8192, 0)), 1, 32);
    ASSERT_TRUE(decoder);
    IconCollectionViewItem tile;
    EXPECT_EQ(tile.labelText(), "");
    tile.setRepresentedObject(*decoder->chunkAt(1234, false));
    EXPECT_EQ(tile.labelText(), "1234");
    const QRect area(0, 0, TileGridLayout::kTileWidth, TileGridLayout::kTileHeight);
    const QPoint border(area.center().x(), 1);
    const QPoint background(5, area.center().y());
    const QPoint button = IconCollectionViewItem::addButtonRect(area).topLeft() +
                          QPoint(IconCollectionViewItem::addButtonRect(area).width() / 2, 3);

    const QImage plain = renderTile(tile);
    EXPECT_EQ(plain.pixelColor(border), QColor(Qt::white));
    EXPECT_EQ(plain.pixelColor(background), QColor(Qt::white));
    EXPECT_EQ(plain.pixelColor(button), QColor(Qt::white));

    tile.setSelected(true);
    const QImage selected = renderTile(tile);
    EXPECT_EQ(selected.pixelColor(border), QColor(0, 0, 255));
    const QColor tint = selected.pixelColor(background); // 25 % blue over white
    EXPECT_NEAR(tint.red(), 191, 2);
    EXPECT_EQ(tint.blue(), 255);
    EXPECT_EQ(selected.pixelColor(button), QColor(0, 0, 255));

    tile.setSelected(false);
    EXPECT_TRUE(renderTile(tile) == plain);
}

} // namespace
} // namespace pq
