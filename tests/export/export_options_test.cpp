#include "export/export_options.h"

#include "test_support.h"

#include <QSettings>

#include <gtest/gtest.h>

#include <limits>

namespace pq {
namespace {

QSettings* freshSettings()
{
    return new QSettings(test::makeTempDir() + "/settings.ini", QSettings::IniFormat);
}

TEST(ExportSwitches, DefaultsAreRegisteredWithoutOverridingChoices)
{
    std::unique_ptr<QSettings> settings(freshSettings()); // the panel tests check the fresh defaults
    settings->setValue("exportText", false);
    registerExportDefaults(*settings);
    EXPECT_FALSE(settings->value("exportText").toBool());
    EXPECT_TRUE(settings->value("exportImage").toBool());
    EXPECT_FALSE(settings->value("imageCoordinatesOverlay").toBool());
    EXPECT_EQ(settings->allKeys().size(), 5);

    ExportOptions chosen;
    chosen.exportImage = false;
    chosen.imageCoordinatesOverlay = true;
    chosen.export3D = false;
    chosen.imageZoom = 3; // zooms are not persisted
    saveExportSwitches(*settings, chosen);
    const ExportOptions back = loadExportSwitches(*settings);
    EXPECT_FALSE(back.exportImage);
    EXPECT_TRUE(back.imageCoordinatesOverlay);
    EXPECT_TRUE(back.exportText);
    EXPECT_FALSE(back.export3D);
    EXPECT_EQ(back.imageZoom, ExportOptions::kDefaultImageZoom);
    EXPECT_EQ(back.enabledKinds(), (std::vector<ExportKind>{ExportKind::Text, ExportKind::SVG}));
    EXPECT_EQ(ExportOptions().enabledKinds(),
              (std::vector<ExportKind>{ExportKind::Image, ExportKind::Text, ExportKind::Scene, ExportKind::SVG}));
}

// The labels' usual text is checked on the export panel; here the edges it cannot reach.
TEST(SizeLabelText, NoWidthsAndOverflowingSizes)
{
    EXPECT_EQ(sizeLabelText(SizeLabel::SVG, {}, 7), "Resulting size: ");
    EXPECT_EQ(sizeLabelText(SizeLabel::Image, std::vector<std::int64_t>{16, 32}, std::numeric_limits<std::int64_t>::max() / 10),
              "Resulting image size: too large, too large");
}

TEST(ValidateExportOptions, RefusesZoomsBelowOneAndAboveTheCaps)
{
    const std::vector<std::int64_t> widths{16, 32};
    struct Case {
        void (*change)(ExportOptions&);
        std::optional<ExportOptionsError> error;
    };
    const Case cases[] = {
        {[](ExportOptions&) {}, std::nullopt},
        {[](ExportOptions& o) { o.imageZoom = 0; }, ExportOptionsError::ImageZoomTooSmall},
        {[](ExportOptions& o) { o.imageZoom = -5; }, ExportOptionsError::ImageZoomTooSmall},
        {[](ExportOptions& o) { o.imageZoom = 512; }, std::nullopt},
        {[](ExportOptions& o) { o.imageZoom = 512, o.imageCoordinatesOverlay = true; },
         ExportOptionsError::ImageZoomTooLarge},
        {[](ExportOptions& o) { o.imageZoom = 496, o.imageCoordinatesOverlay = true; }, std::nullopt},
        {[](ExportOptions& o) { o.imageZoom = std::numeric_limits<std::int64_t>::max(); },
         ExportOptionsError::ImageZoomTooLarge},
        {[](ExportOptions& o) { o.imageZoom = 0, o.exportImage = false; }, std::nullopt},
        {[](ExportOptions& o) { o.imageFormat = "JPEG"; }, ExportOptionsError::UnknownImageFormat},
        {[](ExportOptions& o) { o.textZoom = 0; }, ExportOptionsError::TextZoomTooSmall},
        {[](ExportOptions& o) { o.textZoom = 64; }, std::nullopt},
        {[](ExportOptions& o) { o.textZoom = 65; }, ExportOptionsError::TextZoomTooLarge},
        {[](ExportOptions& o) { o.svgZoom = 0; }, ExportOptionsError::SVGZoomTooSmall},
        {[](ExportOptions& o) { o.svgZoom = maxSVGZoom() + 1; }, ExportOptionsError::SVGZoomTooLarge},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        ExportOptions options;
        cases[i].change(options);
        const auto result = validateExportOptions(options, widths);
        if (cases[i].error) {
            ASSERT_FALSE(result) << "case " << i;
            EXPECT_EQ(result.error(), *cases[i].error) << "case " << i;
        } else {
            EXPECT_TRUE(result) << "case " << i;
        }
    }
    // a 256-pixel icon caps the text zoom at 8 and the image zoom at 64
    const std::vector<std::int64_t> huge{256};
    EXPECT_EQ(maxTextZoom(huge), 8);
    EXPECT_EQ(maxImageZoom(huge, false), 64);
    EXPECT_EQ(maxImageZoom(huge, true), 63);
    EXPECT_EQ(maxImageZoom(widths, false), 512);
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
