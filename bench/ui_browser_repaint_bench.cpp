// Repainting a full 1920 x 1080 tile grid viewport offscreen, with and without the pixel grid,
// in each format: every repaint decodes and draws every visible tile. Goal: under 8 ms.
#include "sources/memory_byte_source.h"
#include "bench_timer.h"

#include "ui/icon_browser_view.h"
#include "ui/icon_browser_view_controller.h"
#include "ui/main_view_controller.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QTemporaryDir>

#include <cstdio>
#include <random>

namespace {

using namespace pq;

void choose(QComboBox* popup, int index)
{
    popup->setCurrentIndex(index);
    emit popup->activated(index);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home; // no bookmarks or settings of the user's are read or written
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toLocal8Bit());
    QApplication app(argc, argv);

    std::vector<std::uint8_t> bytes(std::size_t{64} << 20);
    std::mt19937 rng(1);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(rng());
    MainViewController main; // the browser over the document, without the window's side panels
    main.show();
    main.document().processReceivedSource(memorySource(std::move(bytes)), QStringLiteral("bench.img"));
    main.document().waitForDigest();
    IconBrowserViewController& browser = *main.iconBrowserViewController();
    QWidget* viewport = browser.iconCollectionView()->viewport();
    for (int pass = 0; pass < 2; ++pass) { // the second pass corrects for the panes' own layout
        QApplication::processEvents();
        main.resize(main.size() + QSize(1920, 1080) - viewport->size());
    }
    QApplication::processEvents();
    browser.reloadBrowser(true);
    browser.iconCollectionView()->setScrollOrigin(std::int64_t{1} << 20);
    browser.iconCollectionView()->selectItem(browser.iconCollectionView()->visibleItems().first + 3, false);

    std::printf("viewport %dx%d, %lld tiles visible\n", viewport->width(), viewport->height(),
                static_cast<long long>(browser.iconCollectionView()->visibleItems().count()));
    const struct {
        int depth, size;
        const char* name;
    } formats[] = {{0, 0, "1-bit 32x32"}, {1, 0, "4-bit 32x32"}, {2, 0, "8-bit 32x32"},
                   {0, 1, "1-bit 16x16"}, {1, 1, "4-bit 16x16"}, {2, 1, "8-bit 16x16"}};
    for (const auto& f : formats) {
        choose(browser.bitDepthPopup(), f.depth);
        choose(browser.dimensionPopup(), f.size);
        for (bool grid : {true, false}) {
            browser.showGridCheckBox()->setChecked(grid);
            const double ms = bench::bestMillisecondsPerCall([&] { viewport->repaint(); }, 20, 5);
            std::printf("%-12s grid %-3s  %6.2f ms per frame\n", f.name, grid ? "on" : "off", ms);
        }
    }
    return 0;
}
