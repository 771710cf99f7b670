#pragma once

#include "decoding/pixel_array.h"
#include "export/pixel_scene.h"

#include <QColor>
#include <QObject>
#include <QVector3D>

namespace Qt3DCore {
class QEntity;
class QTransform;
} // namespace Qt3DCore
namespace Qt3DRender {
class QCamera;
}
class QVariantAnimation;

namespace pq {

class OrbitZoomCameraController;

// The viewer's fixed numbers, for an icon `width` pixels wide.
struct SceneViewerGeometry {
    static constexpr int moveMilliseconds = 10000;
    static constexpr float finalYawDegrees = -22.5f; // a turn of -pi/8 about the vertical axis
    static QVector3D cameraStart(int width) { return {0.0f, 0.0f, float(width) * 0.0625f * 0.25f}; }
    static QVector3D cameraEnd(int width)
    {
        return cameraStart(width) + QVector3D(0.0f, 0.0f, float(width) * 0.0625f * -0.05f);
    }
    // Nearest and farthest camera distances the zoom allows: never inside the icon (whose
    // corners lie width x edge x 0.71 from its centre), at most forty times the start
    // distance. With the clip planes below the whole icon stays visible at both.
    static float minDistance(int width) { return float(width) * float(kPixelBoxSize) * 0.75f + 0.01f; }
    static float maxDistance(int width) { return cameraStart(width).z() * 40.0f; }
    static constexpr float nearPlane = 0.001f;
    static constexpr float farPlane = 100.0f;
    static QColor background() { return QColor::fromRgbF(1.0f / 3, 1.0f / 3, 1.0f / 3); }
};

// The 3D viewer's scene: a light, a camera with the user's orbit and zoom control, and the
// icon as one merged box mesh per colour. Works without a window, so its contents and
// its camera can be checked without rendering.
class SceneViewerScene : public QObject {
    Q_OBJECT
public:
    explicit SceneViewerScene(QObject* parent = nullptr);
    ~SceneViewerScene() override;

    Qt3DCore::QEntity* root() const { return m_root; }
    Qt3DRender::QCamera* camera() const { return m_camera; }
    // Null until an icon is shown.
    Qt3DCore::QEntity* icon() const { return m_icon; }
    Qt3DCore::QTransform* iconTransform() const { return m_iconTransform; }
    QVariantAnimation* move() const { return m_move; }
    OrbitZoomCameraController* cameraController() const { return m_controller; }
    // Pixels per row of the icon shown; 0 before.
    int iconWidth() const { return m_width; }

    // Adds the icon's boxes, puts the camera at its start, sets the zoom limits for the icon's
    // width and starts the 10-second move (the camera closing in while the icon turns). An
    // empty pixel array changes nothing.
    void showIcon(const PixelArray& pixels);

    // The move at `progress` in 0..1: the icon's turn, and the camera's distance from the
    // icon until the user zooms (from then on the distance is the user's). The move never
    // sets the camera's direction, so an orbit is never undone either.
    void applyMove(float progress);
    // Whether the move still sets the camera's distance.
    bool holdsCameraDistance() const { return m_holdsDistance; }

private:
    Qt3DCore::QEntity* m_root;
    Qt3DRender::QCamera* m_camera;
    Qt3DCore::QEntity* m_icon = nullptr;
    Qt3DCore::QTransform* m_iconTransform = nullptr;
    QVariantAnimation* m_move;
    OrbitZoomCameraController* m_controller;
    int m_width = 0;
    bool m_holdsDistance = false;
};

} // namespace pq
