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
    bool keepsAlpha;
};

class WriteImageFile : public ::testing::TestWithParam<FormatCase> {};

// Qt's image reader sees every pixel of the written file, and the mask where the format
// keeps alpha.
TEST_P(WriteImageFile, ReaderSeesEveryPixelAndTheMask)
{
    const FormatCase& format = GetParam();
    const PixelArray pixels = test::patternPixels(16, 7);
    const QString folder = test::makeTempDir();
    const auto path = writeImageFile("icon", 3, folder, QString::fromLatin1(format.title), false, pixels);
    ASSERT_TRUE(path) << exportErrorName(path.error().error);
    EXPECT_EQ(test::folderEntries(folder), QStringList{QStringLiteral("icon.") + format.extension});

    QImageReader reader(*path);
    EXPECT_EQ(reader.format(), QByteArray(format.extension));
    test::expectShowsPixels(reader.read(), pixels, 3, format.keepsAlpha);
}

INSTANTIATE_TEST_SUITE_P(Formats, WriteImageFile,
                         ::testing::Values(FormatCase{"PNG", "png", true}, FormatCase{"BMP", "bmp", false},
                                           FormatCase{"TIFF", "tiff", true}),
                         [](const auto& info) { return std::string(info.param.title); });

TEST(WriteImageFile, EachFailureHasItsCodeAndWritesNothing)
{
    const QString folder = test::makeTempDir();
    const PixelArray icon = test::patternPixels(32, 2);
    const std::tuple<const char*, std::int64_t, PixelArray, ExportError> cases[] = {
        {"png", 1, icon, ExportError::UnknownImageFormat}, // titles match with their letter case
        {"TIF", 1, icon, ExportError::UnknownImageFormat},
        {"PNG", 0, icon, ExportError::ImageNotCreated},
        {"PNG", 600, icon, ExportError::ImageNotCreated},
        {"PNG", 1, PixelArray(), ExportError::ImageNotCreated},
    };
    for (const auto& [format, zoom, pixels, error] : cases) {
        const auto result = writeImageFile("x", zoom, folder, format, false, pixels);
        EXPECT_EQ(result ? std::nullopt : std::optional(result.error().error), error) << format << " " << zoom;
    }
    EXPECT_TRUE(test::folderEntries(folder).isEmpty());
}

// Paths name their format by extension, without letter case; ".tif" is TIFF too.
TEST(ImageEncoderForPath, ExtensionsOfTheThreeFormats)
{
    const std::pair<const char*, const char*> cases[] = {
        {"a.png", "png"}, {"/d/a.PNG", "png"}, {"a.bmp", "bmp"}, {"a.tiff", "tiff"}, {"a.TIF", "tiff"},
        {"a.gif", nullptr}, {"png", nullptr}, {"a.png.txt", nullptr},
    };
    for (const auto& [path, encoder] : cases)
        EXPECT_EQ(imageEncoderForPath(path), encoder ? std::optional(QByteArray(encoder)) : std::nullopt) << path;
}

} // namespace
} // namespace pq
