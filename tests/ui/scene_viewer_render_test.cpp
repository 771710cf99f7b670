// Renders one frame of the 3D viewer on a real X server (xvfb-run) and checks that the icon
// shows. Qt 3D cannot render on the offscreen platform, so there the test is skipped.
#include "sources/memory_byte_source.h"
#include "ui/scene_view_controller.h"

#include "test_support.h"

#include <Qt3DRender/QRenderCapture>

#include <QApplication>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>

namespace pq {
namespace {

TEST(SceneViewerRendering, ShowsTheIconAsColouredBoxes)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "No X server: run under xvfb-run to render the 3D viewer.";
    std::vector<std::uint8_t> bytes(20000, 0);
    for (int i = 0; i < 512; ++i)
        bytes[std::size_t(4000 + i)] = std::uint8_t((i % 16) * 0x11); // 4-bit 32x32, stripes of every colour
    auto chunker = *Chunker::create(memorySource(bytes), 4, 128);
    const Bookmark bookmark{4000, "Stripes", 4, 128, false};

    SceneViewController* first = openSceneViewer(&chunker, bookmark);
    SceneViewController* second = openSceneViewer(&chunker, bookmark);
    ASSERT_TRUE(first && second && first != second); // each call opens a window of its own
    EXPECT_EQ(first->windowTitle(), QStringLiteral("Stripes"));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(first));

    // Capture until the boxes show: on a busy machine the first frames may hold only the
    // background, before the scene has reached the renderer.
    QImage frame;
    std::set<QRgb> colours;
    for (int attempt = 0; attempt < 60 && colours.size() <= 8u; ++attempt) {
        QTest::qWait(attempt == 0 ? 1500 : 500);
        std::unique_ptr<Qt3DRender::QRenderCaptureReply> reply(first->renderCapture()->requestCapture());
        QSignalSpy done(reply.get(), &Qt3DRender::QRenderCaptureReply::completed);
        if (!done.wait(3000) || !reply->isComplete())
            continue;
        frame = reply->image();
        for (int y = 0; y < frame.height(); y += 4)
            for (int x = 0; x < frame.width(); x += 4)
                colours.insert(frame.pixel(x, y) & 0xFFFFFF);
    }
    ASSERT_FALSE(frame.isNull()) << "no frame was rendered";
    // The dark grey background and the boxes in their palette colours, evenly lit: palette
    // white and yellow come out nearly as bright as they are.
    EXPECT_GT(colours.size(), 8u);
    auto has = [&](auto&& wanted) { return std::any_of(colours.begin(), colours.end(), wanted); };
    EXPECT_TRUE(has([](QRgb c) { return qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) > 200; })) << "no white box";
    EXPECT_TRUE(has([](QRgb c) { return qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) < 60; })) << "no yellow box";
    EXPECT_TRUE(has([](QRgb c) { return c == 0x555555u; })) << "no dark grey background";
    first->close();
    second->close();
}

TEST(SceneViewerRendering, AnOpenViewerKeepsTheProgramRunningAfterTheMainWindowCloses)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "No X server: run under xvfb-run to open 3D viewer windows.";
    std::vector<std::uint8_t> bytes(20000, 0xF0);
    auto chunker = *Chunker::create(memorySource(bytes), 1, 32);
    QWidget mainWindow;
    mainWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&mainWindow));
    SceneViewController* viewer = openSceneViewer(&chunker, Bookmark{0, "Stripes", 1, 32, false});
    ASSERT_NE(viewer, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer));

    // Run the program's event loop, which ends when the last window closes: close the main
    // window first, the viewer later; the loop must still be running in between.
    // Timers tied to the main window's lifetime, so that none fires in a later test.
    bool runningAfterMainClosed = false;
    QTimer::singleShot(100, &mainWindow, [&] { mainWindow.close(); });
    QTimer::singleShot(600, &mainWindow, [&] {
        runningAfterMainClosed = true;
        viewer->close();
    });
    QTimer::singleShot(10000, &mainWindow, [] { QCoreApplication::exit(3); });
    const bool quitOnLast = QGuiApplication::quitOnLastWindowClosed();
    QGuiApplication::setQuitOnLastWindowClosed(true);
    const int status = QApplication::exec();
    QGuiApplication::setQuitOnLastWindowClosed(quitOnLast);
    EXPECT_EQ(status, 0) << "the loop did not end when the last window closed";
    EXPECT_TRUE(runningAfterMainClosed);
}

} // namespace
} // namespace pq
