#pragma once

#include <cstdint>
#include <type_traits>

// A colour held at once as three bytes (for display) and as three single-precision levels
// (for shading). Which triple is authoritative depends on the constructor that made it.
class CColour {
public:
    // Black: all six fields zero.
    CColour() = default;

    // From bytes. Each value keeps only its low 8 bits (the ring texture relies on this when
    // it doubles a channel); the levels are byte / 255 in single precision.
    CColour(int r, int g, int b);

    // From levels, as shading and scripts produce them. Each level is clamped to 0..1 (a NaN
    // becomes 0) and the bytes are the clamped level times 255, truncated toward zero.
    CColour(float r, float g, float b);

    CColour(const CColour& c) = default;
    CColour& operator=(const CColour& c) = default;
    virtual ~CColour() = default;

    int GetRed() const { return red; }
    int GetGreen() const { return green; }
    int GetBlue() const { return blue; }

    // The quantisation used by the float constructor, exposed for callers that need the same.
    static float ClampLevel(float level);
    static std::uint8_t LevelToByte(float clampedLevel);

    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    float redLevel = 0.0f;
    float greenLevel = 0.0f;
    float blueLevel = 0.0f;
};

// The three levels a colour is made from (CColour(float, float, float)) before its clamp: what a
// picture that keeps more than bytes stores of each pixel.
struct ColourLevels {
    float red = 0.0f;
    float green = 0.0f;
    float blue = 0.0f;
};

// The destructor is virtual on purpose: see CVector.
static_assert(std::has_virtual_destructor_v<CColour>);
