#pragma once

#include "scene/SceneObject.h"

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
    void GetScriptHeader(std::string& text) override;
    // The same vector everywhere, not normalised: callers that need a unit normal normalise it.
    CVector NormalAt(CVector point) override;
    double Intersect(CRay ray) override;

    double m_nx = 0.0;
    double m_ny = 0.0;
    double m_nz = 0.0;
    double m_offset = 0.0; // the coefficient d negated
};
