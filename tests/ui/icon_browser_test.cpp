#include "sources/memory_byte_source.h"
#include "decoding/chunker.h"
#include "main_window_fixture.h"
#include "ui/navigation_keys.h"

#include <QComboBox>
#include <QMessageBox>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QThread>
#include <QSlider>
#include <QWheelEvent>

#include <atomic>

namespace pq {
namespace {

// The browser inside the main window, over random bytes opened as a file.
class IconBrowserTest : public test::MainWindowFixture {
protected:
    void openFile(std::size_t size = 200000) { open({writeImage(7, "disk.img", size)}); }
    std::int64_t offsetOf(std::int64_t item) { return grid().makeItem(item).representedObject()->offsetInFile; }
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
        const auto rect = grid().rectForItem(item);
        return rect ? std::abs(rect->center().y() - grid().viewport()->height() / 2) : 1 << 30;
    }
};

TEST_F(IconBrowserTest, PopupsWaitForAFileAndTheSliderShiftsEveryTileByBytes)
{
    EXPECT_EQ(grid().tileCount(), 0);
    choose(browser->bitDepthPopup(), "256 Colors (8-bit)");
    EXPECT_EQ(browser->selectedBitDepth(), BitDepth::_1bit);
    openFile();
    EXPECT_EQ(grid().makeItem(1).zoomFactor(), 5);
    choose(browser->bitDepthPopup(), "256 Colors (8-bit)");
    EXPECT_EQ(browser->offsetSlider()->maximum(), 31);
    browser->offsetSlider()->setValue(5);
    EXPECT_EQ(offsetOf(3), 3 * 32 + 5);
    // A smaller row length keeps the slider inside its new range.
    choose(browser->dimensionPopup(), "Small Icon (16x16)");
    EXPECT_EQ(browser->offsetSlider()->maximum(), 15);
    EXPECT_EQ(grid().makeItem(0).zoomFactor(), 10);
    browser->offsetSlider()->setValue(31);
    EXPECT_EQ(browser->offsetSlider()->value(), 15);
}

TEST_F(IconBrowserTest, AFormatChangeRecentresTheMiddleVisibleTile)
{
    openFile();
    grid().setScrollOrigin(grid().gridLayout().originCentring(20000));
    const TileRange before = grid().visibleItems();
    const std::int64_t anchor = before.first + before.count() / 2;
    choose(browser->dimensionPopup(), "Small Icon (16x16)");
    EXPECT_LE(offCentre(anchor * 2), TileGridLayout::kRowPitch / 2); // twice the tiles
    // Choosing the same entry again reloads nothing and keeps the position.
    const std::int64_t origin = grid().scrollOrigin();
    choose(browser->dimensionPopup(), "Small Icon (16x16)");
    EXPECT_EQ(grid().scrollOrigin(), origin);
}

// 5,001 bytes: the chunk at o is shown when o + chunk length < 5,001, by tile o / row length at
// shift o % row length.
TEST_F(IconBrowserTest, ShowBookmarkSwitchesFormatAndShiftAndSelectsTheCentredTile)
{
    openFile(5001);
    const std::tuple<std::int64_t, IconFormat, std::int64_t, std::int64_t> rows[] = {
        {1234, {4, 128}, 77, 2}, {4872, {1, 32}, 1218, 0}, {3976, {8, 256}, 124, 8}}; // offset, format, tile, shift
    for (const auto& [offset, format, tile, shift] : rows) {
        browser->showBookmark(offset, format);
        EXPECT_EQ(browser->selectedBitDepth(), format.depth()) << offset;
        EXPECT_EQ(browser->offsetSlider()->value(), shift) << offset;
        EXPECT_EQ(grid().selectedItem(), tile) << offset;
        EXPECT_EQ(offsetOf(tile), offset);
        EXPECT_TRUE(grid().rectForItem(tile)) << offset; // in view (centred as far as the content allows)
    }
    EXPECT_FALSE(mvc->currentAlert());

    // An unknown bit depth keeps the bit-depth popup; the size still follows. Bit depth 0 or
    // rows under a byte are ignored as a whole.
    for (const IconFormat format : {IconFormat{2, 32}, IconFormat{0, 32}, IconFormat{1, 4}})
        browser->showBookmark(64, format);
    EXPECT_EQ(browser->selectedBitDepth(), BitDepth::_8bit);
    EXPECT_EQ(browser->selectedDimension(), Dimensions::_16x16);

    // An offset no tile shows clears the selection and says so.
    browser->showBookmark(3977, {8, 256}); // 3,977 + 1,024 = 5,001: ends on the last byte
    EXPECT_FALSE(grid().selectedItem());
    ASSERT_TRUE(mvc->currentAlert());
    EXPECT_EQ(mvc->currentAlert()->text(), "No tile shows offset 3977");
}

// The targets themselves are the layout's; here each key reaches it and is posted once.
TEST_F(IconBrowserTest, NavigationKeysScrollAndArePostedArrowsMoveTheSelection)
{
    openFile();
    const int h = grid().viewport()->height();
    QSignalSpy posted(&grid(), &IconBrowserView::navigationKeyPressed);
    grid().setFocus();
    const std::tuple<Qt::Key, Qt::KeyboardModifiers, std::int64_t, std::uint16_t> steps[] = {
        {Qt::Key_PageDown, {}, h, kPageDownKeyCode},
        {Qt::Key_PageDown, Qt::ShiftModifier, 2 * h, kPageDownKeyCode},
        {Qt::Key_PageUp, {}, h, kPageUpKeyCode},
        {Qt::Key_End, {}, grid().gridLayout().maxOrigin(), kEndKeyCode},
        {Qt::Key_Home, {}, 0, kHomeKeyCode}};
    for (const auto& [key, modifiers, origin, code] : steps) {
        QTest::keyClick(&grid(), key, modifiers);
        EXPECT_EQ(grid().scrollOrigin(), origin) << key;
        ASSERT_FALSE(posted.isEmpty());
        EXPECT_EQ(posted.last().at(0).value<quint16>(), code) << key;
    }
    QTest::keyClick(&grid(), Qt::Key_Right); // arrows and letters are not posted
    EXPECT_EQ(grid().selectedItem(), 0);
    QTest::keyClick(&grid(), Qt::Key_Right);
    QTest::keyClick(&grid(), Qt::Key_Down);
    EXPECT_EQ(grid().selectedItem(), 1 + grid().gridLayout().columns());
    QTest::keyClick(&grid(), Qt::Key_A);
    QTest::keyClick(&grid(), Qt::Key_Return);
    EXPECT_EQ(posted.count(), 5);
}

TEST_F(IconBrowserTest, WheelAndScrollBarMoveTheGridAndAResizeKeepsItCentred)
{
    openFile();
    const auto wheel = [&](int angle) {
        QWheelEvent event(QPointF(100, 100), grid().viewport()->mapToGlobal(QPointF(100, 100)), QPoint(),
                          QPoint(0, angle), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(grid().viewport(), &event);
    };
    wheel(-240); // two notches down
    EXPECT_EQ(grid().scrollOrigin(), TileGridLayout::kRowPitch);
    wheel(1200);
    EXPECT_EQ(grid().scrollOrigin(), 0);
    grid().verticalScrollBar()->setValue(5000); // dragging the scroll bar moves the grid
    EXPECT_EQ(grid().scrollOrigin(), 5000);

    // A resize keeps the visible tiles centred.
    grid().setScrollOrigin(grid().gridLayout().originCentring(30000));
    const TileRange before = grid().visibleItems();
    grid().resize(1300, 1000);
    EXPECT_LE(grid().visibleItems().first, before.first);
    EXPECT_GE(grid().visibleItems().last, before.last);
    grid().resize(700, 500);
    EXPECT_LE(offCentre(before.first + before.count() / 2), TileGridLayout::kRowPitch);
}

// A disk that refuses every read of its bytes; counts the reads the browser asks of it.
class RefusingSource final : public ByteSource {
public:
    RefusingSource() : ByteSource(1 << 20) {}
    mutable std::atomic<int> browserReads = 0;

protected:
    std::expected<void, ReadError> readInRange(std::int64_t, std::span<std::byte>, ReadMode mode) const override
    {
        // The browser paints on the main thread (workers, such as the Files panel's look for
        // volumes, read too).
        browserReads += mode == ReadMode::Cached && QThread::currentThread() == qApp->thread();
        return std::unexpected(ReadError{ReadError::Kind::IoFailed, 5});
    }
};

// Every visible tile shares its bytes with the first one's refused read: a paint asks once, and
// the next paint asks again.
TEST_F(IconBrowserTest, APaintAsksForRefusedBytesOnce)
{
    auto source = std::make_shared<RefusingSource>();
    mvc->document().processReceivedSource(source, QStringLiteral("bad.img"));
    ASSERT_GT(grid().visibleItems().count(), 8);
    for (int paints = 1; paints <= 2; ++paints) {
        grid().viewport()->repaint();
        EXPECT_EQ(source->browserReads, paints);
    }
}

TEST(IconTile, SelectionShowsBorderBackgroundAndAddButton)
{
    auto decoder = Chunker::create(memorySource(std::vector<std::uint8_t>(8192, 0)), 1, 32);
    ASSERT_TRUE(decoder);
    IconCollectionViewItem tile;
    tile.setRepresentedObject(*decoder->chunkAt(1234, false));
    EXPECT_EQ(tile.labelText(), "1234");
    const QRect area(0, 0, TileGridLayout::kTileWidth, TileGridLayout::kTileHeight);
    const QRect add = IconCollectionViewItem::addButtonRect(area);
    const QPoint border(area.center().x(), 1), background(5, area.center().y()), button(add.center().x(), add.top() + 3);
    const auto render = [&] {
        QImage image(area.size(), QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QPalette palette;
        palette.setColor(QPalette::Highlight, QColor(0, 0, 255));
        tile.paint(painter, area, palette);
        return image;
    };
    const QImage plain = render();
    for (const QPoint& point : {border, background, button})
        EXPECT_EQ(plain.pixelColor(point), QColor(Qt::white));

    tile.setSelected(true);
    const QImage selected = render();
    EXPECT_EQ(selected.pixelColor(border), QColor(0, 0, 255));
    EXPECT_EQ(selected.pixelColor(button), QColor(0, 0, 255));
    const QColor tint = selected.pixelColor(background); // 25 % blue over white
    EXPECT_NEAR(tint.red(), 191, 2);
    EXPECT_EQ(tint.blue(), 255);
    tile.setSelected(false);
    EXPECT_EQ(render(), plain);
}

} // namespace
} // namespace pq
