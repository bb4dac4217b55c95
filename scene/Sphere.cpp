#include "scene/Sphere.h"

#include "core/Format.h"

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
