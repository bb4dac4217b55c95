#pragma once

#include "scene/SceneObject.h"
#include "scene/Thresholds.h"

#include <cmath>

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
    std::unique_ptr<CSceneObject> Clone() const override { return CloneAs<CSphere>(); }
    void GetScriptHeader(std::string& text) override;
    CVector NormalAt(CVector point) override { return Normal(m_centre, point); }
    double Intersect(CRay ray) override {
        return Hit(m_centre.x, m_centre.y, m_centre.z, m_radius, ray);
    }

    // The two calculations themselves, for the tracer's own copies of the spheres: the same
    // operations in the same order, so the same bits as the member functions.
    static CVector Normal(const CVector& centre, CVector point);
    static double Hit(double cx, double cy, double cz, double r, const CRay& ray);

    float GetRadius() const { return m_radius; }
    const CVector& GetCentre() const { return m_centre; }

    float m_radius = 0.0f;
    CVector m_centre;
};

// The unit vector from the centre to the point; outward-facing, never flipped here.
inline CVector CSphere::Normal(const CVector& centre, CVector point) {
    point.Subtract(centre);
    return point.Normalise();
}

// The ray's direction is a unit vector, so the quadratic's leading coefficient is 1. The radius
// is a float widened to double: geometry is done in double precision, radius included.
inline double CSphere::Hit(double cx, double cy, double cz, double r, const CRay& ray) {
    const CVector& o = ray.origin;
    const CVector& d = ray.direction;
    double ox = o.x - cx;
    double oy = o.y - cy;
    double oz = o.z - cz;
    double b = 2 * (ox * d.x + oy * d.y + oz * d.z);
    double c = ox * ox + oy * oy + oz * oz - r * r;
    double disc = b * b - 4 * c;
    // A ray that only grazes the sphere counts as a miss.
    if (!(disc > kGrazingDiscriminant))
        return 0.0;
    double s = std::sqrt(disc);
    // Find the nearest root that lies in front of the origin: the far one is what a ray
    // starting inside (or on) the sphere receives.
    double t1 = (-b - s) * 0.5;
    if (t1 > kHitThreshold)
        return t1;
    double t2 = (-b + s) * 0.5;
    if (t2 > kHitThreshold)
        return t2;
    return 0.0;
}
