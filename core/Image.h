#pragma once

#include "core/Colour.h"

#include <cstddef>
#include <cstdint>
#include <memory>

// The rendered picture in three byte planes, one per channel, rows from the top. Each plane
// has room for one row more than the picture; the spare row is never written or read.
class CImage {
public:
    CImage() = default;
    CImage(const CImage&) = delete;
    CImage& operator=(const CImage&) = delete;
    CImage(CImage&&) = default;
    CImage& operator=(CImage&&) = default;
    virtual ~CImage() = default;

    // Fresh all-white planes for a picture of that size. False, with no planes and a 0 × 0
    // size, when the size is negative or the planes cannot be allocated. A zero width or
    // height succeeds with an empty picture.
    bool SetSize(int width, int height);
    void Clear();

    // No bounds checks: callers keep 0 <= x < width and 0 <= y < height.
    void SetPixel(int x, int y, CColour colour) {
        std::size_t offset = Offset(x, y);
        m_red[offset] = colour.red;
        m_green[offset] = colour.green;
        m_blue[offset] = colour.blue;
    }
    // The rectangle [x, x + width) × [y, y + height) in one colour; no bounds checks either.
    void Fill(int x, int y, int width, int height, CColour colour);
    // red | green << 8 | blue << 16.
    std::uint32_t GetPixel(int x, int y) const {
        std::size_t offset = Offset(x, y);
        return std::uint32_t{m_red[offset]} | std::uint32_t{m_green[offset]} << 8 |
               std::uint32_t{m_blue[offset]} << 16;
    }

    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    bool HasPlanes() const { return m_red != nullptr; }

    // Bytes per plane for a picture of that size, or 0 when the size is negative or the
    // count does not fit in memory's address range.
    static std::size_t PlaneBytes(int width, int height);

    const std::uint8_t* GetRedPlane() const { return m_red.get(); }
    const std::uint8_t* GetGreenPlane() const { return m_green.get(); }
    const std::uint8_t* GetBluePlane() const { return m_blue.get(); }

    int m_width = 0;
    int m_height = 0;
    std::unique_ptr<std::uint8_t[]> m_red;
    std::unique_ptr<std::uint8_t[]> m_green;
    std::unique_ptr<std::uint8_t[]> m_blue;

private:
    std::size_t Offset(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) +
               static_cast<std::size_t>(x);
    }
    void Release();
};
