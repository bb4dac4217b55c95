#include "scene/Plane.h"

#include "core/Format.h"
#include "core/Numeric.h"
#include "scene/Thresholds.h"

CPlane::CPlane(float a, float b, float c, float d) {
    SetCoefficients(TruncateToInt32(a), TruncateToInt32(b), TruncateToInt32(c), TruncateToInt32(d));
}

CPlane::CPlane(float a, float b, float c, float d, int textureFlags) : CPlane(a, b, c, d) {
    m_textureFlags = textureFlags;
}

void CPlane::SetCoefficients(int a, int b, int c, int d) {
    m_nx = a;
    m_ny = b;
    m_nz = c;
    // Negated in double, so that d = INT_MIN has an offset too.
    m_offset = -static_cast<double>(d);
}

void CPlane::GetScriptHeader(std::string& text) {
    text = "Plane\n{\n";
}

// Five lines for the plane's four values: the fifth is written as 0.000000, a number that
// every reader skips or ignores, so saved files stay the shape they have always had.
void CPlane::GetScriptParams(std::string& text) {
    text = Format("%f \n %f \n %f \n %f \n %f \n", m_nx, m_ny, m_nz, m_offset, 0.0);
}

CVector CPlane::NormalAt(CVector) {
    return GetNormal();
}

double CPlane::Intersect(CRay ray) {
    CVector n = GetNormal();
    n.Normalise();
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
    double num = n.Dot(ray.origin) + m_offset;
    double t = num / den;
    if (t < 0)
        return 0.0;
    return t;
}
