#include "scene/Sphere.h"

#include "core/Format.h"
#include "scene/Thresholds.h"

#include <cmath>

CSphere::CSphere(double x, double y, double z, double radius, int textureFlags)
    : m_radius(static_cast<float>(radius)), m_centre(x, y, z) {
    m_textureFlags = textureFlags;
}

void CSphere::GetScriptHeader(std::string& text) {
    text = "Sphere \n{\n";
}

void CSphere::GetScriptParams(std::string& text) {
    text = Format(" %f \n  %f \n   %f \n  %f  \n", m_centre.x, m_centre.y, m_centre.z,
                  static_cast<double>(m_radius));
}

// The unit vector from the centre to the point; outward-facing, never flipped here.
CVector CSphere::NormalAt(CVector point) {
    point.Subtract(m_centre);
    return point.Normalise();
}

// The ray's direction is a unit vector, so the quadratic's leading coefficient is 1.
double CSphere::Intersect(CRay ray) {
    const CVector& o = ray.origin;
    const CVector& d = ray.direction;
    double ox = o.x - m_centre.x;
    double oy = o.y - m_centre.y;
    double oz = o.z - m_centre.z;
    double b = 2 * (ox * d.x + oy * d.y + oz * d.z);
    double r = m_radius; // geometry is done in double precision, radius included
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
