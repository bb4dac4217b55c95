#include "core/FloatImage.h"

#include <algorithm>
#include <limits>
#include <new>

std::size_t CFloatImage::LevelCount(int width, int height) {
    if (width < 0 || height < 0)
        return 0;
    std::size_t w = static_cast<std::size_t>(width);
    std::size_t h = static_cast<std::size_t>(height);
    std::size_t most =
        static_cast<std::size_t>(std::numeric_limits<std::ptrdiff_t>::max()) / (3 * sizeof(float));
    if (w != 0 && h > most / w)
        return 0;
    return 3 * w * h;
}

bool CFloatImage::SetSize(int width, int height) {
    m_levels.reset();
    m_width = m_height = 0;
    std::size_t count = LevelCount(width, height);
    if (width < 0 || height < 0 || (count == 0 && width != 0 && height != 0))
        return false;
    // An empty picture still gets (empty) storage, so that it counts as sized.
    m_levels.reset(new (std::nothrow) float[std::max<std::size_t>(count, 1)]);
    if (!m_levels)
        return false;
    m_width = width;
    m_height = height;
    std::fill_n(m_levels.get(), count, 1.0f);
    return true;
}

void CFloatImage::Fill(int x, int y, int width, int height, const ColourLevels& levels) {
    for (int row = y; row < y + height; ++row) {
        float* pixel = m_levels.get() + Offset(x, row);
        for (int i = 0; i < width; ++i, pixel += 3) {
            pixel[0] = levels.red;
            pixel[1] = levels.green;
            pixel[2] = levels.blue;
        }
    }
}
