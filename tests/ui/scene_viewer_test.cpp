#include "sources/memory_byte_source.h"
#include "ui/orbit_zoom_camera_controller.h"
#include "ui/scene_view_controller.h"
#include "ui/scene_viewer_scene.h"

#include "test_support.h"

#include <Qt3DCore/QEntity>
#include <Qt3DCore/QTransform>
#include <Qt3DRender/QCamera>
#include <Qt3DRender/QGeometryRenderer>

#include <QVariantAnimation>

#include <gtest/gtest.h>

namespace pq {
namespace {

// Clear, black, palette (0, 0, 0) and orange pixels in diagonal stripes.
PixelArray threeColourIcon(int side)
{
    const Color colours[] = {Color::clear(), Color::black(), Color::fromRgb16(0, 0, 0), Color::fromRgb16(0xFFFF, 0x6565, 0)};
    PixelArray p(side, side);
    for (int r = 0; r < side; ++r)
        for (int c = 0; c < side; ++c)
            p.at(r, c) = colours[(r + c) % 4];
    return p;
}

TEST(SceneViewerGeometry, TheWholeIconStaysBetweenTheClipPlanes)
{
    // At either zoom limit, seen from any side, the whole icon lies between the clip planes:
    // its farthest point is a half diagonal plus half a box depth from its centre.
    for (int w : {16, 32}) {
        const float reach = float(w) * 0.01f * 0.7072f + 0.0025f;
        EXPECT_LT(SceneViewerGeometry::minDistance(w), SceneViewerGeometry::cameraEnd(w).z()) << w;
        EXPECT_GT(SceneViewerGeometry::minDistance(w) - reach, SceneViewerGeometry::nearPlane) << w;
        EXPECT_LT(SceneViewerGeometry::maxDistance(w) + reach, SceneViewerGeometry::farPlane) << w;
    }
    EXPECT_FLOAT_EQ(OrbitZoomCameraController::zoomedDistance(19.0f, -0.5f, 0.25f, 20.0f), 20.0f);
}

// One mesh per colour; the opening move sets the camera's distance only until the user zooms,
// keeps the direction the user orbited to, and turns the icon.
TEST(SceneViewerScene, ShowsOneMeshPerColourAndTheMoveYieldsToTheUser)
{
    SceneViewerScene scene;
    scene.showIcon(PixelArray{}); // nothing to show: scene and camera stay alone
    EXPECT_EQ(scene.icon(), nullptr);
    EXPECT_EQ(scene.camera()->position(), QVector3D(0, 0, 0));
    EXPECT_NE(scene.move()->state(), QAbstractAnimation::Running);

    scene.showIcon(threeColourIcon(32));
    ASSERT_NE(scene.icon(), nullptr);
    EXPECT_EQ(scene.icon()->findChildren<Qt3DRender::QGeometryRenderer*>().size(), 3); // clear pixels have no box
    EXPECT_EQ(scene.camera()->position(), QVector3D(0, 0, 0.5f));
    EXPECT_EQ(scene.move()->state(), QAbstractAnimation::Running);
    scene.move()->stop();
    scene.applyMove(0.25f);
    EXPECT_NEAR(scene.camera()->position().z(), 0.475f, 1e-6);
    scene.cameraController()->zoom(0.2f); // a fifth closer
    EXPECT_NEAR(scene.camera()->position().z(), 0.38f, 1e-6);
    scene.applyMove(0.75f);
    EXPECT_NEAR(scene.camera()->position().z(), 0.38f, 1e-6);
    const QQuaternion turned = QQuaternion::fromAxisAndAngle(QVector3D(0, 1, 0), -22.5f * 0.75f);
    EXPECT_NEAR(std::abs(QQuaternion::dotProduct(scene.iconTransform()->rotation(), turned)), 1.0f, 1e-6);
    scene.cameraController()->zoom(0.5f); // at most to the nearest distance: 32 x 0.01 x 0.75 + 0.01
    EXPECT_NEAR(scene.camera()->position().z(), 0.25f, 1e-6);

    scene.showIcon(threeColourIcon(16)); // a new icon starts a new move, which holds the distance again
    scene.move()->stop();
    scene.camera()->setPosition(QVector3D(0.25f, 0, 0)); // orbited a quarter turn
    scene.applyMove(1.0f);
    EXPECT_NEAR(scene.camera()->position().x(), 0.2f, 1e-6);
    EXPECT_NEAR(scene.camera()->position().z(), 0.0f, 1e-6);
}

TEST(SceneViewer, DecodesWithItsOwnCopyOfTheDecoder)
{
    auto chunker = *Chunker::create(memorySource(test::randomBytes(20000, 9)), 1, 32);
    const Bookmark small{1000, "small", 1, 16, true};
    const auto pixels = decodeForViewer(&chunker, small);
    EXPECT_EQ(pixels ? pixels->columns() : 0, 16); // in the bookmark's format, as the decoder's own tests read it
    EXPECT_EQ(chunker.format(), (IconFormat{1, 32})); // the document's decoder keeps the browser's format
    // What cannot be decoded opens no window.
    EXPECT_EQ(openSceneViewer(&chunker, {19990, "past the end", 1, 32, false}), nullptr);
    EXPECT_EQ(openSceneViewer(nullptr, small), nullptr);
}

} // namespace
} // namespace pq
