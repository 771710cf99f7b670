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
        {Color::black(), "#000000"}, {Color::white(), "#FFFFFF"}, {Color::fromRgb16(0xFFFF, 0x8000, 0), "#FF8000"},
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
    EXPECT_EQ(renderer.defaultSize(), QSize(48, 48));
    QImage image(48, 48, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    test::expectShowsPixels(image, pixels, 3);
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

// Each writer refuses a zoom it cannot write and writes nothing then; a missing folder is a
// write failure naming the file.
TEST(ExportWriters, RefusalsWriteNothingAndNameTheirFile)
{
    const PixelArray icon = pixelsFromRows({"B"}), big(256, 256);
    const QString folder = test::makeTempDir(), missing = folder + "/missing";
    using Result = std::expected<QString, ExportFileError>;
    const std::tuple<Result, QString, std::optional<ExportError>> cases[] = {
        {writeSVGFile("x", 0, folder, icon), "", ExportError::InvalidZoom},
        {writeSVGFile("x", kMaxSVGZoom + 1, folder, icon), "", ExportError::InvalidZoom},
        {writeTextFile("x", 0, folder, icon), "", ExportError::InvalidZoom},
        {writeTextFile("x", 9, folder, big), "", ExportError::InvalidZoom}, // 2304 characters a line
        {writeSVGFile("x", 1, missing, icon), "x.svg", ExportError::WriteFailed},
        {writeTextFile("x", 1, missing, icon), "x.txt", ExportError::WriteFailed},
        {writeImageFile("x", 1, missing, "PNG", false, icon), "x.png", ExportError::WriteFailed},
        {writeSceneFile("x", missing, true, icon), "x.dae", ExportError::WriteFailed},
        {writeSceneFile("x", missing, false, icon), "x.usdz", ExportError::WriteFailed},
    };
    for (const auto& [result, file, error] : cases) {
        EXPECT_EQ(result ? std::nullopt : std::optional(result.error().error), error) << file.toStdString();
        if (!file.isEmpty()) {
            EXPECT_EQ(result ? QString() : result.error().path, missing + "/" + file);
        }
    }
    EXPECT_TRUE(test::folderEntries(folder).isEmpty());
    const auto written = writeTextFile("x", 8, folder, big); // 2048 characters a line is the limit
    ASSERT_TRUE(written);
    EXPECT_EQ(test::readWholeFile(*written).size(), 2048 * 2049); // blanks and line feeds, no byte-order mark
}

} // namespace
} // namespace pq
