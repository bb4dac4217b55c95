#include "core/Colour.h"

CColour::CColour(int r, int g, int b)
    : red(static_cast<std::uint8_t>(r)), green(static_cast<std::uint8_t>(g)),
      blue(static_cast<std::uint8_t>(b)), redLevel(red / 255.0f), greenLevel(green / 255.0f),
      blueLevel(blue / 255.0f) {}

CColour::CColour(float r, float g, float b)
    : redLevel(ClampLevel(r)), greenLevel(ClampLevel(g)), blueLevel(ClampLevel(b)) {
    red = LevelToByte(redLevel);
    green = LevelToByte(greenLevel);
    blue = LevelToByte(blueLevel);
}

float CColour::ClampLevel(float level) {
    if (level > 1.0f)
        level = 1.0f;
    // Written as "not >= 0" so that a NaN is caught along with the negatives.
    if (!(level >= 0.0f))
        level = 0.0f;
    return level;
}

std::uint8_t CColour::LevelToByte(float clampedLevel) {
    // Truncation, not rounding: 0.999 gives 254, 0.5 gives 127.
    return static_cast<std::uint8_t>(static_cast<int>(clampedLevel * 255.0f));
}
