#pragma once

#include "scene/SceneObject.h"
#include "scene/Thresholds.h"

// An infinite plane n·P = d with n = (a, b, c) and whole-number coefficients, which a ray meets
// mirrored through its own origin (see Intersect).
//
// Planes are one-sided: only a ray whose direction has a positive component along the normal
// (a, b, c) can hit one.
class CPlane : public CSceneObject {
public:
    CPlane() = default;
    // Each coefficient is truncated toward zero into a 32-bit integer on its way in.
    CPlane(float a, float b, float c, float d);
    CPlane(float a, float b, float c, float d, int textureFlags);
    ~CPlane() override = default;

    void SetCoefficients(int a, int b, int c, int d);
    // (a, b, c) as stored: not normalised.
    CVector GetNormal() const { return CVector(m_nx, m_ny, m_nz); }

    void GetScriptParams(std::string& text) override;
    std::unique_ptr<CSceneObject> Clone() const override { return CloneAs<CPlane>(); }
    void GetScriptHeader(std::string& text) override;
    // The same vector everywhere, not normalised: callers that need a unit normal normalise it.
    CVector NormalAt(CVector point) override;
    double Intersect(CRay ray) override { return Hit(UnitNormal(), m_offset, ray); }

    // The normal normalised, as Intersect uses it; the tracer keeps a copy per render.
    CVector UnitNormal() const { return GetNormal().Normalise(); }
    // Intersect's calculation for a unit normal and an offset: the same bits.
    static double Hit(const CVector& n, double offset, const CRay& ray);

    double m_nx = 0.0;
    double m_ny = 0.0;
    double m_nz = 0.0;
    double m_offset = 0.0; // the coefficient d negated
};

inline double CPlane::Hit(const CVector& n, double offset, const CRay& ray) {
    double den = n.Dot(ray.direction);
    // Against the normal or nearly parallel: never a hit. A zero normal gives NaN: no hit.
    if (!(den > kParallelThreshold))
        return 0.0;
    // The offset is added as stored, not divided by the length of (a, b, c).
    //
    // The sign: for the plane n·P = d (offset -d) the textbook distance is (d - n·O) / (n·D);
    // adding n·O gives t = (n·O - d) / (n·D), that distance negated, so a ray meets the plane
    // mirrored through its own origin, n·P = 2 n·O - d. The default floor (0, 1, 0, -50) is
    // y = -50, 45 above the eye (0, -5, -110) since y grows down the picture. The one-sided
    // test passes only rays heading down (+y: the rows below about 0.55 of the height), which
    // could never reach it; they meet y = -5 + 45 = 40 instead, a floor 45 below the eye. Each
    // origin has its own floor: a ray reflected downwards from a point at y = 20 meets y = 90,
    // and a ray from above y = -50 none.
    double num = n.Dot(ray.origin) + offset;
    double t = num / den;
    if (t < 0)
        return 0.0;
    return t;
}
