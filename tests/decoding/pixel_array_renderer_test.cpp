#include "sources/memory_byte_source.h"
#include "decoding/chunker.h"
#include "decoding/pixel_array_renderer.h"

#include "test_support.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace pq {
namespace {

PixelArray randomIcon(BitDepth depth, Dimensions size, bool mask, std::uint32_t seed = 11)
{
    const IconFormat f = IconFormat::from(depth, size);
    auto chunker = Chunker::create(memorySource(pq::test::randomBytes(40000, seed)), f.bitDepth, f.widthInBits);
    return chunker->chunkAt(17, mask)->pixelArray;
}

QRgb expectedArgb(const Color& c)
{
    return c.isClear() ? 0u : qRgba(c.red8(), c.green8(), c.blue8(), 255);
}

// The raster pixel at bottom-up coordinates (x, y) of an image.
QRgb at(const QImage& image, int x, int y) { return image.pixel(x, image.height() - 1 - y); }

class BitmapWithoutOverlay : public testing::TestWithParam<std::tuple<BitDepth, Dimensions, bool, int>> {};

TEST_P(BitmapWithoutOverlay, EveryIconPixelIsAnExactZoomBlock)
{
    const auto [depth, size, mask, zoom] = GetParam();
    const PixelArray icon = randomIcon(depth, size, mask);
    auto image = makeBitmapImageRep(zoom, false, icon);
    ASSERT_TRUE(image.has_value());
    const int n = int(rawValue(size));
    ASSERT_EQ(image->width(), n * zoom);
    ASSERT_EQ(image->height(), n * zoom);
    EXPECT_EQ(image->format(), QImage::Format_RGBA8888);
    for (int y = 0; y < image->height(); ++y)
        for (int x = 0; x < image->width(); ++x)
            ASSERT_EQ(image->pixel(x, y), expectedArgb(icon.at(y / zoom, x / zoom))) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(AllFormats, BitmapWithoutOverlay,
                         testing::Combine(testing::Values(BitDepth::_1bit, BitDepth::_4bit, BitDepth::_8bit),
                                          testing::Values(Dimensions::_32x32, Dimensions::_16x16), testing::Bool(),
                                          testing::Values(1, 3, 8)));

// The centre of the square of every icon pixel in rows [0, rows) and columns [firstColumn, n)
// of an overlaid bitmap whose icon starts `margin` pixels in from the left and the bottom.
void expectIconSquares(const QImage& image, const PixelArray& icon, int zoom, int margin, int rows, int firstColumn)
{
    const int n = int(icon.rows());
    for (int r = 0; r < rows; ++r)
        for (int c = firstColumn; c < n; ++c)
            ASSERT_EQ(at(image, margin + c * zoom + zoom / 2, margin + (n - 1 - r) * zoom + zoom / 2), expectedArgb(icon.at(r, c)))
                << r << "," << c;
}

TEST(Bitmap, RulerWorkedExample)
{
    const PixelArray icon = randomIcon(BitDepth::_8bit, Dimensions::_32x32, false);
    auto image = makeBitmapImageRep(8, true, icon);
    ASSERT_TRUE(image.has_value());
    ASSERT_EQ(image->size(), QSize(264, 264));
    // The icon covers x, y in [8, 264) (ruler lines run along the square edges).
    expectIconSquares(*image, icon, 8, 8, 32, 0);
    // The corner cell has no label: light grey inside.
    EXPECT_EQ(at(*image, 3, 3), qRgba(204, 204, 204, 255));

    auto darkPixelsIn = [&](int x0, int x1, int y0, int y1) {
        int n = 0;
        for (int x = x0; x < x1; ++x)
            for (int y = y0; y < y1; ++y)
                n += qRed(at(*image, x, y)) < 128 && qAlpha(at(*image, x, y)) == 255;
        return n;
    };
    // Bottom labels 2, 4, ... 32 start at x = 21, 37, ... 261 on the baseline y = 4.
    EXPECT_GT(darkPixelsIn(21, 28, 4, 12), 0);
    EXPECT_GT(darkPixelsIn(261, 264, 4, 12), 0);
    // Left labels sit at x = 5 on the baseline y = j * 8 + 5.
    EXPECT_GT(darkPixelsIn(5, 8, 2 * 8 + 5, 2 * 8 + 13), 0);
    // Ruler strokes are cyan.
    EXPECT_EQ(at(*image, 16, 2), qRgba(0, 255, 255, 255));

    // With an odd zoom the icon starts one pixel early; the labels reach into the left columns
    // and bottom rows, the rest is tested.
    const PixelArray small = randomIcon(BitDepth::_1bit, Dimensions::_16x16, false);
    image = makeBitmapImageRep(5, true, small);
    ASSERT_EQ(image.value().size(), QSize(85, 85));
    expectIconSquares(*image, small, 5, 4, 12, 4);
}

TEST(Bitmap, RefusesWhatCannotBeDrawn)
{
    const PixelArray icon = randomIcon(BitDepth::_1bit, Dimensions::_32x32, false);
    for (const auto& [zoom, overlay, pixels] : {std::tuple(std::int64_t{0}, false, icon), {-3, true, icon}, {1, false, PixelArray{}},
                                                {std::int64_t{1} << 40, false, icon}, {std::numeric_limits<std::int64_t>::max(), true, icon}})
        EXPECT_EQ(makeBitmapImageRep(zoom, overlay, pixels).error(), PixelArrayError::errorCreatingContext) << zoom;
}

QImage drawn(QSize size, int zoom, bool grid, const PixelArray& icon, QColor background = Qt::transparent)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    QPainter painter(&image);
    drawPixelArray(painter, QSizeF(size), zoom, grid, false, icon);
    return image;
}

// A grid from zoom three on, light lines over black; the icon centred in the rectangle; clear
// pixels keep what is underneath.
TEST(DrawPixelArray, GridCentringAndClearPixels)
{
    PixelArray black(16, 16);
    for (int i = 0; i < 256; ++i)
        black.at(i / 16, i % 16) = Color::black();
    EXPECT_EQ(drawn({32, 32}, 2, true, black), drawn({32, 32}, 2, false, black));
    const QImage withGrid = drawn({48, 48}, 3, true, black);
    EXPECT_GT(qRed(withGrid.pixel(3, 1)), 0); // on a shared edge
    EXPECT_EQ(withGrid.pixel(1, 1), qRgb(0, 0, 0));

    const PixelArray icon = randomIcon(BitDepth::_8bit, Dimensions::_16x16, false);
    const QImage image = drawn({200, 180}, 10, false, icon);
    // x0 = 20, y0 = 10 bottom-up; row 0 occupies y in [160, 170), raster rows [10, 20).
    EXPECT_EQ(image.pixel(25, 15), expectedArgb(icon.at(0, 0)));
    EXPECT_EQ(image.pixel(175, 165), expectedArgb(icon.at(15, 15)));
    for (const QPoint outside : {QPoint(19, 15), QPoint(25, 9), QPoint(25, 170)})
        EXPECT_EQ(qAlpha(image.pixel(outside)), 0) << outside.x() << "," << outside.y();

    PixelArray clear(1, 2);
    clear.at(0, 0) = Color::clear();
    clear.at(0, 1) = Color::fromRgb16(0, 0, 0);
    const QImage over = drawn({8, 4}, 4, false, clear, QColor(255, 0, 0));
    EXPECT_EQ(std::pair(over.pixel(1, 1), over.pixel(5, 1)), std::pair(qRgb(255, 0, 0), qRgb(0, 0, 0)));
}

} // namespace
} // namespace pq
