#pragma once

#include "core/Colour.h"

#include <cstddef>
#include <memory>

// A picture's levels before they were quantised to bytes, three floats a pixel (red, green,
// blue) interleaved, rows from the top: what a 16-bit PNG or an OpenEXR file is made from. The
// levels are kept as they were given, outside 0..1 too; ColourAt quantises a pixel as the
// 8-bit picture does.
class CFloatImage {
public:
    CFloatImage() = default;
    CFloatImage(const CFloatImage&) = delete;
    CFloatImage& operator=(const CFloatImage&) = delete;
    CFloatImage(CFloatImage&&) = default;
    CFloatImage& operator=(CFloatImage&&) = default;
    virtual ~CFloatImage() = default;

    // A fresh picture of that size, every level 1 (white, as CImage starts). False, with no
    // pixels and a 0 × 0 size, when the size is negative or the memory cannot be had.
    bool SetSize(int width, int height);

    // No bounds checks: callers keep 0 <= x < width and 0 <= y < height.
    void SetPixel(int x, int y, const ColourLevels& levels) {
        float* pixel = m_levels.get() + Offset(x, y);
        pixel[0] = levels.red;
        pixel[1] = levels.green;
        pixel[2] = levels.blue;
    }
    // The rectangle [x, x + width) × [y, y + height) in one colour; no bounds checks either.
    void Fill(int x, int y, int width, int height, const ColourLevels& levels);
    ColourLevels GetPixel(int x, int y) const {
        const float* pixel = m_levels.get() + Offset(x, y);
        return ColourLevels{pixel[0], pixel[1], pixel[2]};
    }
    // The pixel quantised as the renderer quantises it (clamped, times 255, truncated).
    CColour ColourAt(int x, int y) const {
        ColourLevels levels = GetPixel(x, y);
        return CColour(levels.red, levels.green, levels.blue);
    }
    // Row y's levels: 3 × width floats.
    const float* GetRow(int y) const { return m_levels.get() + Offset(0, y); }

    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    bool HasPixels() const { return m_levels != nullptr; }

    // Floats for a picture of that size, or 0 when the size is negative or the count does not
    // fit in memory's address range.
    static std::size_t LevelCount(int width, int height);

private:
    std::size_t Offset(int x, int y) const {
        return 3 * (static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) +
                    static_cast<std::size_t>(x));
    }

    int m_width = 0;
    int m_height = 0;
    std::unique_ptr<float[]> m_levels;
};
