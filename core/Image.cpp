#include "core/Image.h"

#include <cstring>
#include <limits>
#include <new>

std::size_t CImage::PlaneBytes(int width, int height) {
    if (width < 0 || height < 0)
        return 0;
    std::size_t w = static_cast<std::size_t>(width);
    std::size_t rows = static_cast<std::size_t>(height) + 1;
    if (w != 0 && rows > std::numeric_limits<std::ptrdiff_t>::max() / w)
        return 0;
    return w * rows;
}

void CImage::Release() {
    m_red.reset();
    m_green.reset();
    m_blue.reset();
}

bool CImage::SetSize(int width, int height) {
    m_width = width;
    m_height = height;
    Release();
    std::size_t bytes = PlaneBytes(width, height);
    if (width < 0 || height < 0 || (bytes == 0 && width != 0)) {
        // Negative, or width × (height + 1) does not fit: a picture with no planes has no size.
        m_width = m_height = 0;
        return false;
    }
    // A zero-width picture still gets (empty) planes, so that it counts as sized.
    std::size_t allocation = bytes == 0 ? 1 : bytes;
    m_red.reset(new (std::nothrow) std::uint8_t[allocation]);
    m_green.reset(new (std::nothrow) std::uint8_t[allocation]);
    m_blue.reset(new (std::nothrow) std::uint8_t[allocation]);
    if (!m_red || !m_green || !m_blue) {
        Release();
        m_width = m_height = 0;
        return false;
    }
    Clear();
    return true;
}

void CImage::Fill(int x, int y, int width, int height, CColour colour) {
    for (int row = y; row < y + height; ++row) {
        std::size_t offset = Offset(x, row);
        std::size_t count = static_cast<std::size_t>(width);
        std::memset(m_red.get() + offset, colour.red, count);
        std::memset(m_green.get() + offset, colour.green, count);
        std::memset(m_blue.get() + offset, colour.blue, count);
    }
}

void CImage::Clear() {
    if (!HasPlanes())
        return;
    std::size_t pictureBytes =
        static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height);
    std::memset(m_red.get(), 255, pictureBytes);
    std::memset(m_green.get(), 255, pictureBytes);
    std::memset(m_blue.get(), 255, pictureBytes);
}
