#include "render/CameraControl.h"

#include <algorithm>
#include <cmath>

namespace {

// v turned by angle radians about the unit axis (Rodrigues' formula).
CVector Turn(const CVector& v, const CVector& axis, double angle) {
    double c = std::cos(angle);
    double s = std::sin(angle);
    CVector cross(axis.y * v.z - axis.z * v.y, axis.z * v.x - axis.x * v.z,
                  axis.x * v.y - axis.y * v.x);
    return v * c + cross * s + axis * (axis.Dot(v) * (1 - c));
}

} // namespace

CVector CCameraControl::Pivot(const Pose& pose, double hitDistance) {
    CVector direction = pose.look.Normalised();
    double distance = hitDistance;
    if (!(distance > 0.0) || !std::isfinite(distance))
        distance = std::max(10.0, -pose.eye.Dot(direction));
    return pose.eye + direction * distance;
}

bool CCameraControl::Orbit(Pose& pose, const CVector& pivot, double yaw, double pitch) {
    CVector offset = pose.eye - pivot;
    CVector look = pose.look;
    CVector vertical(0.0, 1.0, 0.0);
    offset = Turn(offset, vertical, yaw);
    look = Turn(look, vertical, yaw);
    CVector across(look.z, 0.0, -look.x);
    if (across.Length() > 0.0) {
        across = across.Normalised();
        offset = Turn(offset, across, pitch);
        look = Turn(look, across, pitch);
    }
    double length = look.Length();
    if (!(length > 0.0) || look.z / length < kMinLookZ)
        return false;
    pose.eye = pivot + offset;
    pose.look = look;
    return true;
}

void CCameraControl::Pan(Pose& pose, const CVector& pivot, double dx, double dy, unsigned height) {
    if (height == 0 || !(pose.look.z > 0.0))
        return;
    // A pixel spans 1/height of a unit on the image plane, look.z ahead of the eye in z; at
    // the pivot's depth it spans that much more.
    double depth = (pivot - pose.eye).z;
    double scale = depth / (static_cast<double>(height) * pose.look.z);
    pose.eye = pose.eye - CVector(dx * scale, dy * scale, 0.0);
}

void CCameraControl::Dolly(Pose& pose, const CVector& pivot, double factor) {
    CVector offset = pose.eye - pivot;
    // Never onto the pivot itself: the view would have no direction left to come back along.
    if (offset.Length() * factor < 1e-3)
        return;
    pose.eye = pivot + offset * factor;
}
