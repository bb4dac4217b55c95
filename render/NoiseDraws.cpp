#include "render/NoiseDraws.h"

#include "core/Random.h"
#include "render/PixelTracer.h"
#include "render/TaskPool.h"

bool CNoiseDraws::Count(const CTracer& tracer, const CPrimaryRays& rays, unsigned antialias,
                        const RenderRegion& region, unsigned threads, const std::stop_token& stop) {
    m_region = region;
    std::size_t width = region.right - region.left;
    std::size_t rows = region.bottom - region.top;
    m_pixelDraws.assign(width * rows, 0);
    ParallelFor(rows, threads, [&](std::size_t row) {
        if (stop.stop_requested())
            return;
        CPixelTracer pixels(tracer, rays, antialias);
        std::uint32_t* pixel = m_pixelDraws.data() + row * width;
        pixels.CountSpan(region.top + static_cast<unsigned>(row), region.left, region.right, stop,
                         [&](unsigned x, std::uint64_t draws) {
                             pixel[x - region.left] = static_cast<std::uint32_t>(draws);
                         });
    });
    if (stop.stop_requested())
        return false;
    m_rowStarts.assign(rows + 1, 0);
    for (std::size_t row = 0; row < rows; ++row) {
        std::uint64_t sum = m_rowStarts[row];
        for (std::size_t x = 0; x < width; ++x)
            sum += m_pixelDraws[row * width + x];
        m_rowStarts[row + 1] = sum;
    }
    return true;
}

void CNoiseDraws::Seek(unsigned x, unsigned y) const {
    if (m_rowStarts.empty())
        return;
    std::size_t width = m_region.right - m_region.left;
    std::size_t row = y - m_region.top;
    std::uint64_t draws = m_rowStarts[row];
    const std::uint32_t* pixel = m_pixelDraws.data() + row * width;
    for (unsigned i = m_region.left; i < x; ++i)
        draws += pixel[i - m_region.left];
    CRandom& random = CRandom::Current();
    random = CRandom();
    random.Skip(draws);
}

void CNoiseDraws::Seek(unsigned x, unsigned y, RowCursor& cursor) const {
    if (m_rowStarts.empty())
        return;
    std::size_t width = m_region.right - m_region.left;
    std::size_t row = y - m_region.top;
    if (cursor.y != y || cursor.x > x) {
        cursor.y = y;
        cursor.x = m_region.left;
        cursor.draws = m_rowStarts[row];
    }
    const std::uint32_t* pixel = m_pixelDraws.data() + row * width;
    for (; cursor.x < x; ++cursor.x)
        cursor.draws += pixel[cursor.x - m_region.left];
    CRandom& random = CRandom::Current();
    random = CRandom();
    random.Skip(cursor.draws);
}
