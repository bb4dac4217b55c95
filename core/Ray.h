#pragma once

#include "core/Vector.h"

#include <type_traits>

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

// The destructor is virtual on purpose: see CVector.
static_assert(std::has_virtual_destructor_v<CRay>);
