#include "export_test_support.h"

#include "test_support.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <map>

namespace pq::test {

namespace {
Color colourOf(char letter)
{
    static const std::map<char, Color> colours{
        {'B', Color::black()}, {'W', Color::white()}, {'.', Color::clear()}, {'k', Color::fromRgb16(0, 0, 0)},
        {'w', Color::fromRgb16(0xFFFF, 0xFFFF, 0xFFFF)}, {'r', Color::fromRgb16(0xFFFF, 0x8000, 0)},
        {'g', Color::fromRgb16(0, 0xC000, 0x2000)}, {'u', Color::fromRgb16(0x1000, 0x2000, 0xFFFF)}};
    return colours.at(letter);
}
} // namespace

PixelArray pixelsFromRows(std::initializer_list<std::string_view> rows)
{
    const std::int64_t columns = rows.size() ? static_cast<std::int64_t>(rows.begin()->size()) : 0;
    PixelArray pixels(static_cast<std::int64_t>(rows.size()), columns);
    std::int64_t r = 0;
    for (std::string_view row : rows) {
        for (std::int64_t c = 0; c < columns; ++c)
            pixels.at(r, c) = colourOf(row.at(static_cast<std::size_t>(c)));
        ++r;
    }
    return pixels;
}

PixelArray patternPixels(int side, int colours)
{
    PixelArray pixels(side, side);
    for (int i = 0; i < side * side; ++i) {
        const int k = i % colours;
        pixels.at(i / side, i % side) = i % 7 == 3 ? Color::clear() : k == 0 ? Color::black() : k == 1 ? Color::white()
            : Color::fromRgb16(std::uint16_t(k * 0x0F0F), std::uint16_t(0xFFFF - k * 0x0303), std::uint16_t(k * 0x3131));
    }
    return pixels;
}

void expectShowsPixels(const QImage& image, const PixelArray& pixels, int zoom, bool keepsAlpha)
{
    ASSERT_EQ(image.size(), QSize(int(pixels.columns()) * zoom, int(pixels.rows()) * zoom));
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int r = 0; r < pixels.rows(); ++r)
        for (int c = 0; c < pixels.columns(); ++c) {
            const Color& colour = pixels.at(r, c);
            const QRgb seen = argb.pixel(c * zoom + zoom / 2, r * zoom + zoom / 2);
            if (colour.isClear())
                EXPECT_TRUE(!keepsAlpha || qAlpha(seen) == 0) << r << "," << c;
            else
                EXPECT_EQ(seen, qRgb(colour.red8(), colour.green8(), colour.blue8())) << r << "," << c;
        }
}

QStringList folderEntries(const QString& folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

} // namespace pq::test
