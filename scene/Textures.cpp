// The procedural textures of every scene object: ColourAt picks one by the object's texture
// flags; the checker, the rings and the noise compute the colour at a point.
#include "scene/SceneObject.h"

#include "core/Numeric.h"
#include "core/Random.h"

#include <cmath>
#include <cstdlib>

CColour CSceneObject::ColourAt(double x, double y, double z) {
    CColour colour = *GetColour();
    // When several flags are set the last overlay in this order wins.
    if (m_textureFlags & kTextureRing)
        colour = RingColour(x, y, z, 30);
    if (m_textureFlags & kTextureChecker)
        colour = CheckerColour(x, y, z);
    if (m_textureFlags & kTextureNoise)
        colour = NoiseColour(x, y, z);
    return colour;
}

// White lines 3 units wide every 10 units along x and z, on red. Because of the absolute
// values the bands at the axes are 6 units wide.
CColour CSceneObject::CheckerColour(double x, double, double z) {
    double ax = std::fabs(x);
    double az = std::fabs(z);
    int i = TruncateToInt32(az) % 10;
    int k = TruncateToInt32(ax) % 10;
    if (i < 3 || k < 3)
        return CColour(1.0f, 1.0f, 1.0f);
    return CColour(1.0f, 0.0f, 0.0f);
}

// Concentric rings about the y axis in a dark and a light shade of the base colour.
CColour CSceneObject::RingColour(double x, double y, double z, int threshold) {
    const CColour* base = GetColour();
    int r = base->GetRed();
    int g = base->GetGreen();
    int b = base->GetBlue();
    CColour dark(r / 2, g / 2, b / 2);
    // Doubling wraps: the byte constructor keeps the low 8 bits (200 becomes 144).
    CColour light(2 * r, 2 * g, 2 * b);

    double rho = std::sqrt(x * x + z * z);
    double theta;
    if (-0.01 < z && z < 0.01)
        theta = 3.141 / 2; // not pi: the constant the rings were designed with
    else
        theta = std::atan2(x, z);
    rho = rho + 2 * std::sin(20 * theta + y / 150);
    int ring = TruncateToInt32(rho) % 60;
    return ring < threshold ? dark : light;
}

namespace {
// noise(a, b, c) = k * (a + b + c) with a fresh k in 0..39 from the render's generator.
double Noise(double a, double b, double c) {
    int k = CRandom::Current().Next() % 40;
    return k * (a + b + c);
}
} // namespace

// Irregular bands with random speckle; the base colour plays no part.
CColour CSceneObject::NoiseColour(double x, double y, double z) {
    double t = (x + 15000) * 0.02;
    double s = 7 * Noise(x / 100, y / 200, z / 200) + t;
    int i = TruncateToInt32(s) % 17;
    double v;
    if (i < 4) {
        v = 0.2 * Noise(x / 70, y / 50, z / 50) + 0.7;
    } else if (i >= 9 && i < 12) {
        v = 0.2 * Noise(x / 100, y / 100, z / 100) + 0.2;
    } else {
        // 17 * trunc(s / 17) cannot exceed |s|, so computing it in double changes nothing.
        double w = std::fabs(
            static_cast<double>(TruncateToInt32(s - 17.0 * TruncateToInt32(s / 17) - 10.5)));
        v = 0.2 * Noise(x / 100, y / 100, z / 100) + 0.3 * (w * 0.1538462) + 0.4;
    }
    return CColour(TruncateToInt32(0.9 * v), TruncateToInt32(0.8 * v), TruncateToInt32(0.6 * v));
}
