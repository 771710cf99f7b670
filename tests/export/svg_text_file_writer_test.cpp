#include "export/image_file_writer.h"
#include "export/scene_file_writer.h"
#include "export/svg_file_writer.h"
#include "export/text_file_writer.h"

#include "export_test_support.h"
#include "test_support.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <gtest/gtest.h>

#include <cmath>

namespace pq {
namespace {

using test::pixelsFromRows;
using test::readWholeFile;

const char* const kProlog = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
                            "<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\" "
                            "\"http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd\">\n";
const char* const kNamespaces = "xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\">\n";

TEST(SvgDocument, IsExactTextOfOneRectPerOpaquePixel)
{
    const QByteArray expected = QByteArray(kProlog) + "<svg width=\"30\" height=\"20\" " + kNamespaces +
                                "<rect fill=\"#000000\" x=\"0\" y=\"0\" width=\"10\" height=\"10\"/>\n"
                                "<rect fill=\"#FF8000\" x=\"20\" y=\"10\" width=\"10\" height=\"10\"/>\n"
                                "</svg>\n";
    EXPECT_EQ(svgDocument(pixelsFromRows({"B..", "..r"}), 10), expected); // clear pixels advance x
    EXPECT_EQ(svgDocument(pixelsFromRows({"...", "..."}), 3),
              QByteArray(kProlog) + "<svg width=\"9\" height=\"6\" " + kNamespaces + "</svg>\n");
}

TEST(ColorHexString, ConstantsPaletteAndRounding)
{
    struct Case {
        Color colour;
        const char* text;
    };
    const Case cases[] = {
        {Color::black(), "#000000"},
        {Color::white(), "#FFFFFF"},
        {Color::fromRgb16(0, 0, 0), "#000000"},
        {Color::fromRgb16(0xFFFF, 0xFFFF, 0xFFFF), "#FFFFFF"},
        {Color::fromRgb16(0xFFFF, 0x8000, 0), "#FF8000"},
        // 0x7F7F / 65535 x 255 = 127.0; 0x0101 = 1; 0xFEFE = 254
        {Color::fromRgb16(0x7F7F, 0x0101, 0xFEFE), "#7F01FE"},
        // 0x0080 / 65535 x 255 = 0.498 rounds down, 0x0081 = 0.502 rounds up
        {Color::fromRgb16(0x0080, 0x0081, 0x8080), "#000180"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(colorHexString(c.colour), c.text) << c.text;
}

// Renders the written file with Qt's SVG renderer and compares every pixel with the icon.
TEST(WriteSVGFile, IndependentRendererSeesEveryPixel)
{
    const PixelArray pixels = test::patternPixels(16, 9);
    const QString folder = test::makeTempDir();
    const auto path = writeSVGFile("pattern", 3, folder, pixels);
    ASSERT_TRUE(path) << exportErrorName(path.error().error);
    EXPECT_EQ(*path, folder + "/pattern.svg");

    QSvgRenderer renderer(*path);
    ASSERT_TRUE(renderer.isValid());
    EXPECT_EQ(renderer.defaultSize(), QSize(48, 48));
    QImage image(48, 48, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        renderer.render(&painter);
    }
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 16; ++c) {
            const Color& colour = pixels.at(r, c);
            const QRgb seen = image.pixel(c * 3 + 1, r * 3 + 1);
            if (colour.isClear()) {
                EXPECT_EQ(qAlpha(seen), 0) << r << "," << c;
                continue;
            }
            const QString hex = QString::fromStdString(colorHexString(colour));
            EXPECT_EQ(QColor(seen).name(QColor::HexRgb).toUpper(), hex) << r << "," << c;
            EXPECT_EQ(qAlpha(seen), 255);
        }
}

TEST(WriteSVGFile, RefusesZoomsOutsideTheLimitsAndWritesNothing)
{
    const QString folder = test::makeTempDir();
    for (std::int64_t zoom : {std::int64_t{0}, std::int64_t{-4}, kMaxSVGZoom + 1}) {
        const auto result = writeSVGFile("z", zoom, folder, pixelsFromRows({"B"}));
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().error, ExportError::InvalidZoom);
    }
    EXPECT_TRUE(test::folderEntries(folder).isEmpty());
}

TEST(ExportWriters, AMissingFolderIsAWriteFailureNamingTheFile)
{
    const QString folder = test::missingFolder();
    const PixelArray icon = pixelsFromRows({"B"});
    const auto check = [&](const auto& result, const char* file) {
        ASSERT_FALSE(result) << file;
        EXPECT_EQ(result.error().error, ExportError::WriteFailed) << file;
        EXPECT_EQ(result.error().path, folder + "/" + file);
    };
    check(writeSVGFile("x", 1, folder, icon), "x.svg");
    check(writeTextFile("x", 1, folder, icon), "x.txt");
    check(writeImageFile("x", 1, folder, "PNG", false, icon), "x.png");
    check(writeSceneFile("x", kExportBoxSize, folder, true, icon), "x.dae");
    check(writeSceneFile("x", kExportBoxSize, folder, false, icon), "x.usdz");
}

TEST(TextDocument, BlackIsInkEverythingElseIsBlank)
{
    const QByteArray ink = "\xE2\x96\x8A";
    // zoom 2, one row black, white, black: the line twice
    const QByteArray line = ink + ink + "  " + ink + ink + "\n";
    EXPECT_EQ(textDocument(pixelsFromRows({"BWB"}), 2), line + line);
    // masked, palette black and palette colours are blanks
    EXPECT_EQ(textDocument(pixelsFromRows({"B.kr", "wBWg"}), 1), ink + "   \n " + ink + "  \n");
    EXPECT_EQ(textDocument(PixelArray(), 3), QByteArray());
    EXPECT_EQ(textDocument(pixelsFromRows({"BB"}), 0), QByteArray());
}

TEST(TextDocument, SizeIsRowsTimesZoomByColumnsTimesZoom)
{
    PixelArray pixels(32, 32);
    for (std::int64_t i = 0; i < 32; ++i)
        pixels.at(i, i) = Color::black(); // the rest stays clear
    for (int zoom : {1, 3}) {
        const QString text = QString::fromUtf8(textDocument(pixels, zoom));
        EXPECT_FALSE(text.contains(u'\r'));
        ASSERT_TRUE(text.endsWith(u'\n'));
        const QStringList lines = text.chopped(1).split(u'\n');
        ASSERT_EQ(lines.size(), 32 * zoom);
        for (int l = 0; l < lines.size(); ++l) {
            ASSERT_EQ(lines[l].size(), 32 * zoom);
            EXPECT_EQ(lines[l].indexOf(QChar(0x258A)), (l / zoom) * zoom) << l;
            EXPECT_EQ(lines[l].count(QChar(0x258A)), zoom);
        }
    }
}

TEST(WriteTextFile, WritesUtf8WithoutBomAndRefusesBadZooms)
{
    const QString folder = test::makeTempDir();
    const auto path = writeTextFile("art", 1, folder, pixelsFromRows({"B"}));
    ASSERT_TRUE(path);
    EXPECT_EQ(readWholeFile(*path), QByteArray("\xE2\x96\x8A\n"));

    PixelArray big(256, 256);
    const std::pair<std::int64_t, PixelArray> refused[] = {
        {0, pixelsFromRows({"B"})}, {-1, pixelsFromRows({"B"})}, {kMaxTextZoom + 1, pixelsFromRows({"B"})}, {9, big}};
    for (const auto& [zoom, pixels] : refused) {
        const auto result = writeTextFile("bad", zoom, folder, pixels);
        ASSERT_FALSE(result) << zoom;
        EXPECT_EQ(result.error().error, ExportError::InvalidZoom);
    }
    EXPECT_TRUE(writeTextFile("ok", 8, folder, big)); // 2048 characters a line is the limit
    EXPECT_EQ(test::folderEntries(folder), (QStringList{"art.txt", "ok.txt"}));
}

} // namespace
} // namespace pq
