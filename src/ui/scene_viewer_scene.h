#pragma once

#include "decoding/pixel_array.h"

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

// The viewer's fixed numbers, for an icon `width` pixels wide.
struct SceneViewerGeometry {
    static constexpr double boxEdge = 0.01;
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
    static float minDistance(int width) { return float(width) * float(boxEdge) * 0.75f + 0.01f; }
    static float maxDistance(int width) { return cameraStart(width).z() * 40.0f; }
    static constexpr float nearPlane = 0.001f;
    static constexpr float farPlane = 100.0f;
    static QColor background() { return QColor::fromRgbF(1.0f / 3, 1.0f / 3, 1.0f / 3); }
};

// The 3D viewer's scene: a light, a camera and the icon as one merged box mesh per colour.
// Works without a window, so its contents can be checked without rendering.
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
    // Pixels per row of the icon shown; 0 before.
    int iconWidth() const { return m_width; }

    // Adds the icon's boxes, puts the camera at its start and starts the 10-second move (the
    // camera closing in while the icon turns). An empty pixel array changes nothing.
    void showIcon(const PixelArray& pixels);

    // The move at `progress` in 0..1. The camera keeps the direction the user orbited it to;
    // only its distance from the icon follows the move.
    void applyMove(float progress);

private:
    Qt3DCore::QEntity* m_root;
    Qt3DRender::QCamera* m_camera;
    Qt3DCore::QEntity* m_icon = nullptr;
    Qt3DCore::QTransform* m_iconTransform = nullptr;
    QVariantAnimation* m_move;
    int m_width = 0;
};

} // namespace pq
