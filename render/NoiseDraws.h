#pragma once

#include "render/RenderOptions.h"

#include <cstdint>
#include <stop_token>
#include <vector>

class CPrimaryRays;
class CTracer;

// The noise texture's schedule for a parallel render. The texture draws from one random
// sequence in pixel order, so a pixel traced out of order must start where the serial render
// would be in that sequence. A first pass counts the draws of every pixel (they depend on the
// geometry alone) on the workers; each row or part then seeks its place.
class CNoiseDraws {
public:
    // Counts the draws of every pixel of the region on up to `threads` threads. False when a
    // stop came first (the counts are then incomplete).
    bool Count(const CTracer& tracer, const CPrimaryRays& rays, unsigned antialias,
               const RenderRegion& region, unsigned threads, const std::stop_token& stop);

    // Moves the calling thread's random sequence to the pixel's place in the serial render's.
    void Seek(unsigned x, unsigned y) const;

    // Where a walk along a row has got to: for Seek along one row from left to right, each
    // step costing only the pixels passed since the last.
    struct RowCursor {
        unsigned y = ~0u;
        unsigned x = 0;
        std::uint64_t draws = 0; // before pixel x
    };
    void Seek(unsigned x, unsigned y, RowCursor& cursor) const;

private:
    RenderRegion m_region;
    std::vector<std::uint32_t> m_pixelDraws; // row by row
    std::vector<std::uint64_t> m_rowStarts;  // draws before each row of the region
};
