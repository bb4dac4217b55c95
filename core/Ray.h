#pragma once

#include "core/Vector.h"

// An origin and a direction. Intersection routines expect a unit direction; whoever builds a
// ray normalises it.
class CRay {
public:
    CRay() = default;
    CRay(const CVector& origin_, const CVector& direction_)
        : origin(origin_), direction(direction_) {}
    CRay(const CRay& r) = default;
    CRay& operator=(const CRay& r) = default;
    virtual ~CRay() = default;

    CVector origin;
    CVector direction;
};
