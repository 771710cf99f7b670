#include "ui/orbit_zoom_camera_controller.h"

#include "ui/scene_viewer_scene.h"

#include <Qt3DRender/QCamera>

#include <algorithm>

namespace pq {

OrbitZoomCameraController::OrbitZoomCameraController(Qt3DCore::QNode* parent)
    : Qt3DExtras::QAbstractCameraController(parent)
{
    setLookSpeed(180.0f);
    setLinearSpeed(1.0f);
}

float OrbitZoomCameraController::zoomedDistance(float distance, float amount)
{
    // Zooming scales the distance, so each wheel step feels the same near and far.
    const float scaled = distance * (1.0f - amount);
    return std::clamp(scaled, SceneViewerGeometry::minDistance, SceneViewerGeometry::maxDistance);
}

void OrbitZoomCameraController::moveCamera(const InputState& state, float dt)
{
    Qt3DRender::QCamera* cam = camera();
    if (!cam)
        return;
    if (state.leftMouseButtonActive || state.rightMouseButtonActive) {
        cam->panAboutViewCenter(-state.rxAxisValue * lookSpeed() * dt, QVector3D(0, 1, 0));
        cam->tiltAboutViewCenter(-state.ryAxisValue * lookSpeed() * dt);
    }
    if (state.tzAxisValue != 0.0f) {
        const QVector3D offset = cam->position() - cam->viewCenter();
        const float distance = zoomedDistance(offset.length(), std::clamp(state.tzAxisValue * linearSpeed() * dt, -0.5f, 0.5f));
        cam->setPosition(cam->viewCenter() + offset.normalized() * distance);
    }
}

} // namespace pq
