#include "export/export_options.h"

#include "test_support.h"

#include <QSettings>

#include <gtest/gtest.h>

#include <limits>

namespace pq {
namespace {

// The five switches' persistence is proved here once: defaults are registered without
// overriding a stored choice, every switch round-trips, zooms are not persisted.
TEST(ExportSwitches, DefaultsAreRegisteredWithoutOverridingChoices)
{
    QSettings settings(test::makeTempDir() + "/settings.ini", QSettings::IniFormat);
    settings.setValue("exportText", false);
    registerExportDefaults(settings);
    EXPECT_EQ(std::tuple(settings.allKeys().size(), settings.value("exportText").toBool(), settings.value("exportImage").toBool(),
                         settings.value("imageCoordinatesOverlay").toBool()),
              std::tuple(5, false, true, false));

    ExportOptions chosen;
    chosen.exportImage = chosen.export3D = false;
    chosen.imageCoordinatesOverlay = true;
    chosen.imageZoom = 3;
    saveExportSwitches(settings, chosen);
    const ExportOptions back = loadExportSwitches(settings);
    EXPECT_EQ(std::tuple(back.exportImage, back.imageCoordinatesOverlay, back.exportText, back.export3D, back.exportSVG),
              std::tuple(false, true, true, false, true));
    EXPECT_EQ(back.imageZoom, 8);
    EXPECT_EQ(back.enabledKinds(), (std::vector<ExportKind>{ExportKind::Text, ExportKind::SVG}));
}

TEST(ValidateExportOptions, RefusesZoomsBelowOneAndAboveTheCaps)
{
    constexpr std::int64_t max = std::numeric_limits<std::int64_t>::max();
    using E = ExportOptionsError;
    const struct {
        void (*change)(ExportOptions&);
        std::optional<ExportOptionsError> error;
    } cases[] = {
        {[](ExportOptions&) {}, std::nullopt},
        {[](ExportOptions& o) { o.imageZoom = 0; }, E::ImageZoomTooSmall},
        {[](ExportOptions& o) { o.imageZoom = -5; }, E::ImageZoomTooSmall},
        {[](ExportOptions& o) { o.imageZoom = 512; }, std::nullopt}, // 32 x 512 = 16384 pixels
        {[](ExportOptions& o) { o.imageZoom = 512, o.imageCoordinatesOverlay = true; }, E::ImageZoomTooLarge},
        {[](ExportOptions& o) { o.imageZoom = 496, o.imageCoordinatesOverlay = true; }, std::nullopt},
        {[](ExportOptions& o) { o.imageZoom = max; }, E::ImageZoomTooLarge},
        {[](ExportOptions& o) { o.imageZoom = 0, o.exportImage = false; }, std::nullopt},
        {[](ExportOptions& o) { o.imageFormat = "JPEG"; }, E::UnknownImageFormat},
        {[](ExportOptions& o) { o.textZoom = 0; }, E::TextZoomTooSmall},
        {[](ExportOptions& o) { o.textZoom = 64; }, std::nullopt}, // 2048 characters a line
        {[](ExportOptions& o) { o.textZoom = 65; }, E::TextZoomTooLarge},
        {[](ExportOptions& o) { o.svgZoom = 0; }, E::SVGZoomTooSmall},
        {[](ExportOptions& o) { o.svgZoom = max; }, E::SVGZoomTooLarge},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        ExportOptions options;
        cases[i].change(options);
        const auto result = validateExportOptions(options, std::vector<std::int64_t>{16, 32});
        EXPECT_EQ(result ? std::nullopt : std::optional(result.error()), cases[i].error) << "case " << i;
    }
    // A 256-pixel icon: 2048 / 256 characters, 16384 / 256 pixels, one cell less with the ruler.
    const std::vector<std::int64_t> huge{256};
    EXPECT_EQ(std::tuple(maxTextZoom(huge), maxImageZoom(huge, false), maxImageZoom(huge, true)), std::tuple(8, 64, 63));
}

} // namespace
} // namespace pq
