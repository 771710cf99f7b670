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

#include <functional>

namespace pq {
namespace {

using test::pixelsFromRows;

TEST(SvgDocument, IsExactTextOfOneRectPerOpaquePixel)
{
    const QByteArray prolog = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
                              "<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\" "
                              "\"http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd\">\n";
    const QByteArray namespaces = "xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\">\n";
    EXPECT_EQ(svgDocument(pixelsFromRows({"B..", "..r"}), 10), // clear pixels advance x
              prolog + "<svg width=\"30\" height=\"20\" " + namespaces +
                  "<rect fill=\"#000000\" x=\"0\" y=\"0\" width=\"10\" height=\"10\"/>\n"
                  "<rect fill=\"#FF8000\" x=\"20\" y=\"10\" width=\"10\" height=\"10\"/>\n"
                  "</svg>\n");
    EXPECT_EQ(svgDocument(pixelsFromRows({"...", "..."}), 3),
              prolog + "<svg width=\"9\" height=\"6\" " + namespaces + "</svg>\n");
}

TEST(ColorHexString, ConstantsPaletteAndRounding)
{
    const std::pair<Color, const char*> cases[] = {
        {Color::black(), "#000000"},
        {Color::white(), "#FFFFFF"},
        {Color::fromRgb16(0, 0, 0), "#000000"},
        {Color::fromRgb16(0xFFFF, 0xFFFF, 0xFFFF), "#FFFFFF"},
        {Color::fromRgb16(0xFFFF, 0x8000, 0), "#FF8000"},
        {Color::fromRgb16(0x7F7F, 0x0101, 0xFEFE), "#7F01FE"}, // 127.0, 1, 254 exactly
        {Color::fromRgb16(0x0080, 0x0081, 0x8080), "#000180"}, // 0.498 rounds down, 0.502 up
    };
    for (const auto& [colour, text] : cases)
        EXPECT_EQ(colorHexString(colour), text) << text;
}

// Qt's SVG renderer draws the written file; every pixel is compared with the icon.
TEST(WriteSVGFile, IndependentRendererSeesEveryPixel)
{
    const PixelArray pixels = test::patternPixels(16, 9);
    const auto path = writeSVGFile("pattern", 3, test::makeTempDir(), pixels);
    ASSERT_TRUE(path) << exportErrorName(path.error().error);
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
            const QRgb expected = colour.isClear() ? 0 : qRgb(colour.red8(), colour.green8(), colour.blue8());
            EXPECT_EQ(qAlpha(seen) == 0 ? 0 : seen, expected) << r << "," << c;
        }
}

TEST(TextDocument, BlackIsInkEverythingElseIsBlank)
{
    const QByteArray ink = "\xE2\x96\x8A";
    const QByteArray line = ink + ink + "  " + ink + ink + "\n"; // zoom 2: black, white, black
    EXPECT_EQ(textDocument(pixelsFromRows({"BWB"}), 2), line + line);
    // masked, palette black and palette colours are blanks
    EXPECT_EQ(textDocument(pixelsFromRows({"B.kr", "wBWg"}), 1), ink + "   \n " + ink + "  \n");
    EXPECT_EQ(textDocument(PixelArray(), 3), QByteArray());
    EXPECT_EQ(textDocument(pixelsFromRows({"BB"}), 0), QByteArray());
}

using Write = std::function<std::expected<QString, ExportFileError>(const QString& folder, const PixelArray&)>;

// Each writer refuses what it cannot write and writes nothing then; a missing folder is a
// write failure naming the file.
TEST(ExportWriters, RefusalsWriteNothingAndNameTheirFile)
{
    const PixelArray icon = pixelsFromRows({"B"});
    const PixelArray big(256, 256);
    auto svg = [](std::int64_t zoom) { return [=](const QString& f, const PixelArray& p) { return writeSVGFile("x", zoom, f, p); }; };
    auto text = [](std::int64_t zoom) { return [=](const QString& f, const PixelArray& p) { return writeTextFile("x", zoom, f, p); }; };
    const struct {
        Write write;
        const PixelArray& pixels;
        ExportError error;
    } refused[] = {
        {svg(0), icon, ExportError::InvalidZoom},
        {svg(-4), icon, ExportError::InvalidZoom},
        {svg(kMaxSVGZoom + 1), icon, ExportError::InvalidZoom},
        {text(0), icon, ExportError::InvalidZoom},
        {text(kMaxTextZoom + 1), icon, ExportError::InvalidZoom},
        {text(9), big, ExportError::InvalidZoom}, // 2304 characters a line
    };
    const QString folder = test::makeTempDir();
    for (std::size_t i = 0; i < std::size(refused); ++i) {
        const auto result = refused[i].write(folder, refused[i].pixels);
        EXPECT_EQ(result ? std::nullopt : std::optional(result.error().error), refused[i].error) << "case " << i;
    }
    EXPECT_TRUE(test::folderEntries(folder).isEmpty());
    const auto written = text(8)(folder, big); // 2048 characters a line is the limit
    ASSERT_TRUE(written);
    EXPECT_EQ(test::readWholeFile(*written).size(), 2048 * 2049); // blanks and line feeds, no byte-order mark

    const QString missing = test::missingFolder();
    const std::pair<Write, const char*> toMissing[] = {
        {svg(1), "x.svg"},
        {text(1), "x.txt"},
        {[](const QString& f, const PixelArray& p) { return writeImageFile("x", 1, f, "PNG", false, p); }, "x.png"},
        {[](const QString& f, const PixelArray& p) { return writeSceneFile("x", f, true, p); }, "x.dae"},
        {[](const QString& f, const PixelArray& p) { return writeSceneFile("x", f, false, p); }, "x.usdz"},
    };
    for (const auto& [write, file] : toMissing) {
        const auto result = write(missing, icon);
        ASSERT_FALSE(result) << file;
        EXPECT_EQ(result.error().error, ExportError::WriteFailed) << file;
        EXPECT_EQ(result.error().path, missing + "/" + file);
    }
}

} // namespace
} // namespace pq
