#pragma once

#include <Qt3DExtras/QAbstractCameraController>

namespace pq {

// Mouse control of the viewer's camera: dragging with either button orbits the camera
// around the icon, the wheel zooms. There is no panning: the camera always looks at the
// icon's centre, and the zoom keeps it between the nearest and farthest allowed distance.
class OrbitZoomCameraController : public Qt3DExtras::QAbstractCameraController {
    Q_OBJECT
public:
    explicit OrbitZoomCameraController(Qt3DCore::QNode* parent = nullptr);

    // The camera's distance from the icon's centre stays within these.
    void setDistanceLimits(float nearest, float farthest);

    // The camera's distance after zooming by `amount` from `distance`, within the limits.
    static float zoomedDistance(float distance, float amount, float nearest, float farthest);

    // The user's zoom: moves the camera by `amount` (a share of its distance, positive to
    // come closer, at most 0.5 either way) along its line of sight, then emits zoomed.
    void zoom(float amount);

signals:
    // The user zoomed: the camera's distance is theirs from now on.
    void zoomed();

private:
    void moveCamera(const InputState& state, float dt) override;

    float m_nearest = 0.01f;
    float m_farthest = 50.0f;
};

} // namespace pq
