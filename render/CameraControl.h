#pragma once

#include "core/Vector.h"

// How the desktop's mouse and keys move the camera, about a pivot: the point the user looks at.
// The picture's axes never turn (see CCamera): only the eye and the look vector move, so the
// look vector is kept within kMaxTurn of the z axis, where the picture is still only mildly
// skewed, and the look vector keeps its length (the width of the view).
class CCameraControl {
public:
    struct Pose {
        CVector eye;
        CVector look;
    };
    // cos 60°: how far from the z axis the look vector may turn.
    static constexpr double kMinLookZ = 0.5;

    // The point the view's middle looks at: the eye plus the look direction times the distance
    // of what the middle pixel hits, or, over the background, times the eye's distance from
    // the world's origin along the look (at least 10).
    static CVector Pivot(const Pose& pose, double hitDistance);

    // The eye and the look turned together about the pivot: yaw radians about the vertical (y)
    // axis, then pitch radians about the horizontal axis across the view. False, and the pose
    // unchanged, when the look would turn past kMaxTurn.
    static bool Orbit(Pose& pose, const CVector& pivot, double yaw, double pitch);
    // The eye moved across the view so that the pivot follows the mouse by (dx, dy) pixels of
    // a picture `height` pixels high.
    static void Pan(Pose& pose, const CVector& pivot, double dx, double dy, unsigned height);
    // The eye moved along the line to the pivot, its distance times factor (below 1: nearer).
    static void Dolly(Pose& pose, const CVector& pivot, double factor);
};
