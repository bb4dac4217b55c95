#include "scene/WorldPlane.h"

#include "core/Numeric.h"
#include "scene/Plane.h"

namespace {

// What every object carries besides its geometry: a converted plane keeps it all.
void CopySurface(const CSceneObject& from, CSceneObject& to) {
    to.m_name = from.m_name;
    to.m_finish = from.m_finish;
    to.m_textureColour1 = from.m_textureColour1;
    to.m_textureColour2 = from.m_textureColour2;
    to.m_textureFlags = from.m_textureFlags;
}

// Truncation toward zero as CPlane's constructor makes it: through single precision, which
// also takes a value a rounding error short of a whole number to that number.
int TruncateAsPlane(double v) {
    return TruncateToInt32(static_cast<float>(v));
}

} // namespace

CWorldPlane::CWorldPlane(double a, double b, double c, double d) {
    SetCoefficients(a, b, c, d);
}

void CWorldPlane::SetCoefficients(double a, double b, double c, double d) {
    m_a = a;
    m_b = b;
    m_c = c;
    m_d = d;
}

CVector CWorldPlane::NormalAt(CVector) {
    return GetNormal();
}

// A ray from E meets the eye-relative plane (n, stored d) where u·P = 2 u·E - d, u the unit
// normal (CPlane::Hit); times |n|: n·P = 2 n·E - |n| d, which is n·P + (|n| d - 2 n·E) = 0. The
// eye-relative plane is one-sided along the same normal, so the same rays hit both.
CWorldPlane CWorldPlane::FromEyePlane(const CPlane& plane, CVector eye) {
    CVector n = plane.GetNormal();
    double d = -plane.m_offset;
    CWorldPlane world(n.x, n.y, n.z, n.Length() * d - 2 * n.Dot(eye));
    CopySurface(plane, world);
    return world;
}

// The reverse for a whole-number normal n: the world plane n·P = -d meets rays from E where the
// eye-relative plane with stored d' = (2 n·E + d) / |n| does. A normal that truncation changes
// tilts the plane; it is then laid through the world plane's point nearest the eye, so that
// the two at least meet there.
CPlane CWorldPlane::ToEyePlane(CVector eye) const {
    CVector n = GetNormal();
    CVector whole(TruncateAsPlane(m_a), TruncateAsPlane(m_b), TruncateAsPlane(m_c));
    // The point of this plane nearest the eye, and whole's plane through it: whole·P = w.
    double along = (n.Dot(eye) + m_d) / n.Dot(n);
    CVector nearest = eye - n * along;
    double w = whole.Dot(nearest);
    double d = (2 * whole.Dot(eye) - w) / whole.Length();
    CPlane plane;
    plane.SetCoefficients(static_cast<int>(whole.x), static_cast<int>(whole.y),
                          static_cast<int>(whole.z), TruncateAsPlane(d));
    CopySurface(*this, plane);
    return plane;
}
