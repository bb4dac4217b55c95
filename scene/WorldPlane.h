#pragma once

#include "scene/SceneObject.h"
#include "scene/Thresholds.h"

#include <array>

class CPlane;

// An infinite plane a x + b y + c z + d = 0 fixed in the world, with real coefficients: every
// ray meets it in the same place wherever the ray starts, unlike CPlane, whose place depends on
// the ray's origin (see CPlane::Hit). It is a kind of its own, not a CPlane, so that nothing
// that looks for eye-relative planes takes it for one.
//
// One-sided like every plane here: only a ray whose direction has a component above the
// parallel threshold along the normal (a, b, c) can hit it.
class CWorldPlane : public CSceneObject {
public:
    CWorldPlane() = default;
    CWorldPlane(double a, double b, double c, double d);
    ~CWorldPlane() override = default;

    void SetCoefficients(double a, double b, double c, double d);
    // a, b, c and d as stored.
    std::array<double, 4> GetCoefficients() const { return {m_a, m_b, m_c, m_d}; }
    // (a, b, c) as stored: not normalised.
    CVector GetNormal() const { return CVector(m_a, m_b, m_c); }

    std::unique_ptr<CSceneObject> Clone() const override { return CloneAs<CWorldPlane>(); }
    // The same vector everywhere, not normalised, as a CPlane gives it: the shading normalises.
    CVector NormalAt(CVector point) override;
    double Intersect(CRay ray) override { return Hit(UnitNormal(), UnitOffset(), ray); }

    // The normal normalised, as Intersect uses it; the tracer keeps a copy per render.
    CVector UnitNormal() const { return GetNormal().Normalised(); }
    // d divided by the length of (a, b, c): u·P + offset = 0 is the same plane for the unit
    // normal u.
    double UnitOffset() const { return m_d / GetNormal().Length(); }
    // Intersect's calculation for a unit normal and an offset: the same bits.
    static double Hit(const CVector& n, double offset, const CRay& ray);

    // The world plane that a ray from the eye meets where it meets the eye-relative plane:
    // the same picture for primary rays, to rounding. Name, finish and textures are copied.
    static CWorldPlane FromEyePlane(const CPlane& plane, CVector eye);
    // The eye-relative plane that a ray from the eye meets in this plane's place, as a CPlane
    // holds it: whole-number coefficients truncated toward zero through single precision, as
    // CPlane's constructor truncates them. Unless the normal and the resulting d are whole
    // numbers it is only approximately the same plane, and a normal with no component of 1 or
    // more becomes the zero normal that is never hit. Name, finish and textures are copied.
    CPlane ToEyePlane(CVector eye) const;

private:
    double m_a = 0.0;
    double m_b = 0.0;
    double m_c = 0.0;
    double m_d = 0.0;
};

inline double CWorldPlane::Hit(const CVector& n, double offset, const CRay& ray) {
    double den = n.Dot(ray.direction);
    // Against the normal or nearly parallel: never a hit. A zero normal gives NaN: no hit.
    if (!(den > kParallelThreshold))
        return 0.0;
    // The textbook distance to u·P + offset = 0 (u the unit normal n): the origin's signed distance
    // from the plane, over the direction's rate of approach. It does not depend on where along the
    // ray the origin sits: moving it by s along the direction takes exactly s off t.
    double num = n.Dot(ray.origin) + offset;
    double t = -num / den;
    // Behind the origin, or no number at all (an infinite or NaN coefficient): a miss.
    if (!(t >= 0))
        return 0.0;
    return t;
}
