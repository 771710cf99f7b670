#include "ui/orbit_zoom_camera_controller.h"

#include <Qt3DRender/QCamera>

#include <algorithm>

namespace pq {

OrbitZoomCameraController::OrbitZoomCameraController(Qt3DCore::QNode* parent)
    : Qt3DExtras::QAbstractCameraController(parent)
{
    setLookSpeed(180.0f);
    setLinearSpeed(1.0f);
}

void OrbitZoomCameraController::setDistanceLimits(float nearest, float farthest)
{
    m_nearest = nearest;
    m_farthest = std::max(nearest, farthest);
}

float OrbitZoomCameraController::zoomedDistance(float distance, float amount, float nearest, float farthest)
{
    // Zooming scales the distance, so each wheel step feels the same near and far.
    return std::clamp(distance * (1.0f - amount), nearest, farthest);
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
    if (state.tzAxisValue != 0.0f)
        zoom(state.tzAxisValue * linearSpeed() * dt);
}

void OrbitZoomCameraController::zoom(float amount)
{
    Qt3DRender::QCamera* cam = camera();
    if (!cam)
        return;
    const QVector3D offset = cam->position() - cam->viewCenter();
    const float distance = zoomedDistance(offset.length(), std::clamp(amount, -0.5f, 0.5f), m_nearest, m_farthest);
    cam->setPosition(cam->viewCenter() + offset.normalized() * distance);
    emit zoomed();
}

} // namespace pq
