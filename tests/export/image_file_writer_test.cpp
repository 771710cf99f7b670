#include "export/image_file_writer.h"

#include "export_test_support.h"
#include "test_support.h"

#include <QImageReader>

#include <gtest/gtest.h>

namespace pq {
namespace {

struct FormatCase {
    const char* title;
    const char* extension;
    const char* readerFormat;
    bool keepsAlpha;
};

class WriteImageFile : public ::testing::TestWithParam<FormatCase> {};

TEST_P(WriteImageFile, ReaderSeesEveryPixelAndTheMask)
{
    const FormatCase& format = GetParam();
    const PixelArray pixels = test::patternPixels(16, 7);
    const QString folder = test::makeTempDir();
    const auto path = writeImageFile("icon", 3, folder, QString::fromLatin1(format.title), false, pixels);
    ASSERT_TRUE(path) << exportErrorName(path.error().error);
    EXPECT_EQ(*path, folder + "/icon." + format.extension);
    EXPECT_EQ(test::folderEntries(folder), QStringList{QStringLiteral("icon.") + format.extension});

    QImageReader reader(*path);
    EXPECT_EQ(reader.format(), QByteArray(format.readerFormat));
    const QImage image = reader.read().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(image.size(), QSize(48, 48)) << reader.errorString().toStdString();
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 16; ++c) {
            const Color& colour = pixels.at(r, c);
            const QRgb seen = image.pixel(c * 3 + 1, r * 3 + 1);
            if (colour.isClear()) {
                if (format.keepsAlpha) {
                    EXPECT_EQ(qAlpha(seen), 0) << r << "," << c;
                }
                continue;
            }
            EXPECT_EQ(qAlpha(seen), 255);
            EXPECT_EQ(qRed(seen), colour.red8()) << r << "," << c;
            EXPECT_EQ(qGreen(seen), colour.green8());
            EXPECT_EQ(qBlue(seen), colour.blue8());
        }
}

// The ruler's extra cell is checked on written files by the export runner's and the export
// command's tests.
INSTANTIATE_TEST_SUITE_P(Formats, WriteImageFile,
                         ::testing::Values(FormatCase{"PNG", "png", "png", true}, FormatCase{"BMP", "bmp", "bmp", false},
                                           FormatCase{"TIFF", "tiff", "tiff", true}),
                         [](const auto& info) { return std::string(info.param.title); });

TEST(WriteImageFileFailures, EachFailureHasItsCodeAndWritesNothing)
{
    const QString folder = test::makeTempDir();
    const PixelArray icon = test::patternPixels(32, 2);
    const struct {
        const char* format;
        std::int64_t zoom;
        PixelArray pixels;
        ExportError error;
    } cases[] = {
        {"png", 1, icon, ExportError::UnknownImageFormat},
        {"TIF", 1, icon, ExportError::UnknownImageFormat},
        {"PNG", 0, icon, ExportError::ImageNotCreated},
        {"PNG", -2, icon, ExportError::ImageNotCreated},
        {"PNG", 600, icon, ExportError::ImageNotCreated},
        {"PNG", 1, PixelArray(), ExportError::ImageNotCreated},
    };
    for (const auto& c : cases) {
        const auto result = writeImageFile("x", c.zoom, folder, c.format, false, c.pixels);
        ASSERT_FALSE(result) << c.format << " " << c.zoom;
        EXPECT_EQ(result.error().error, c.error) << c.format << " " << c.zoom;
    }
    EXPECT_TRUE(test::folderEntries(folder).isEmpty());
}

TEST(WriteImageFileReplace, SecondFileReplacesTheFirstAtomically)
{
    const QString folder = test::makeTempDir();
    ASSERT_TRUE(writeImageFile("same", 1, folder, "PNG", false, test::patternPixels(32, 2)));
    ASSERT_TRUE(writeImageFile("same", 1, folder, "PNG", false, test::patternPixels(16, 2)));
    EXPECT_EQ(test::folderEntries(folder), QStringList{"same.png"});
    EXPECT_EQ(QImageReader(folder + "/same.png").size(), QSize(16, 16));
}

TEST(ImageZoomLimits, EdgeOfTheLargestBitmap)
{
    EXPECT_TRUE(isImageZoomAllowed(512, 32, false));   // 16384
    EXPECT_FALSE(isImageZoomAllowed(512, 32, true));   // 16896
    EXPECT_TRUE(isImageZoomAllowed(496, 32, true));    // 16368
    EXPECT_FALSE(isImageZoomAllowed(513, 16, false));  // above the field's cap
    EXPECT_FALSE(isImageZoomAllowed(0, 16, false));
    EXPECT_FALSE(isImageZoomAllowed(65, 256, false));  // 16640
    EXPECT_FALSE(imageFormatExtension("tiff"));
}

} // namespace
} // namespace pq
