#pragma once

#include "scene/SceneObject.h"

// A solid sphere: a centre and a radius held in single precision.
class CSphere : public CSceneObject {
public:
    CSphere() = default;
    // Centre and radius as single-precision values; the centre is widened to double. Inline, so
    // that the narrowing of a caller's doubles happens in the caller's own optimised code.
    CSphere(float x, float y, float z, float radius) : m_radius(radius), m_centre(x, y, z) {}
    // Centre in double precision; the radius is narrowed to a float.
    CSphere(double x, double y, double z, double radius, int textureFlags);
    ~CSphere() override = default;

    void GetScriptParams(std::string& text) override;
    void GetScriptHeader(std::string& text) override;
    CVector NormalAt(CVector point) override;
    double Intersect(CRay ray) override;

    float GetRadius() const { return m_radius; }
    const CVector& GetCentre() const { return m_centre; }

    float m_radius = 0.0f;
    CVector m_centre;
};
