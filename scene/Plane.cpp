#include "scene/Plane.h"

#include "core/Format.h"
#include "core/Numeric.h"

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
