// A ProximitySensor reports the camera while it stands inside the sensor's
// box. The box is taken in world coordinates: Transforms above the sensor
// neither move nor scale it. The camera is read off this frame's view
// matrix, so a sensor sees where the camera is drawn from in this frame.
#include "render/matrix.h"
#include "scene/frame_clock.h"
#include "scene/scene.h"
#include "scene/sensor_nodes.h"

void nProximitySensor::tick(FrameClock* clock) {
    if (!enabled.value || !clock || !clock->clockScene) return;
    const Matrix& view = clock->clockScene->viewMatrix;

    // Undo the view's rotation: what is left of its translation is the eye
    // seen from the world origin, turned back.
    const Rotation r = matrixToRotation(view);
    Matrix undo;
    matrixFromRotation(undo, r.x, r.y, r.z, -r.angle);
    Matrix unturned;
    matrixMultiply(unturned, view, undo);
    const Vec3f camera{-unturned.tx, -unturned.ty, -unturned.tz};

    const Vec3f& c = center.value;
    const Vec3f d{camera.x - c.x, camera.y - c.y, camera.z - c.z};
    const Vec3f h{size.value.x * 0.5f, size.value.y * 0.5f, size.value.z * 0.5f};
    const bool inside = -h.x < d.x && d.x < h.x && -h.y < d.y && d.y < h.y && -h.z < d.z && d.z < h.z;
    if (!inside) return;
    position_changed.value = camera;
    position_changed.propagate();
    orientation_changed.value = Rotation{r.x, r.y, r.z, -r.angle};
    orientation_changed.propagate();
}
