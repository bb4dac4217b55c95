#pragma once

#include "core/Ray.h"
#include "render/Camera.h"

// The rays from the eye through the pixels of a width × height picture: row 0 is the top, and
// one pixel spans 1/height of a unit on the image plane, which lies the look vector away from
// the eye.
class CPrimaryRays {
public:
    CPrimaryRays(unsigned width, unsigned height, const CCamera& camera)
        : m_width(width), m_height(height), m_camera(camera) {}

    // The ray through the pixel (row, column).
    void Ray(int row, int column, CRay& ray) const { At(row, column, ray); }
    // The rays of pixels (row, column) and (row, column + 1) at once: Ray's bits.
    void Pair(int row, int column, CRay (&rays)[2]) const {
        AtTwo(row, column, static_cast<double>(column) + 1, rays);
    }
    // The ray through any point of the picture (a whole row and column give exactly the ray
    // of that pixel).
    void At(double row, double column, CRay& ray) const;
    // At for two points of one row at once, in the lanes of SSE2 registers.
    void AtTwo(double row, double column0, double column1, CRay (&rays)[2]) const;

private:
    unsigned m_width;
    unsigned m_height;
    CCamera m_camera;
};
