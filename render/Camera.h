#pragma once

#include "core/Vector.h"

#include <type_traits>

// The camera of one render: the image plane's two axes, the eye and the central viewing
// direction. Built once per render and handed by value to every primary ray.
//
// The axes never turn with the look vector: a look vector far from the z axis skews the
// picture instead of turning the camera.
class CCamera {
public:
    CCamera() = default;
    CCamera(CVector look, CVector eye, CVector right, CVector up)
        : m_right(right), m_up(up), m_eye(eye), m_look(look) {}
    CCamera(const CCamera&) = default;
    CCamera& operator=(const CCamera&) = default;
    virtual ~CCamera() = default;

    CVector m_right; // (1, 0, 0)
    CVector m_up;    // (0, width / height, 0), the ratio in single precision
    CVector m_eye;
    CVector m_look; // a direction, not a point; its length sets how wide the view is
};

// The destructor is virtual on purpose: see CVector.
static_assert(std::has_virtual_destructor_v<CCamera>);
