#pragma once

#include "core/Colour.h"
#include "render/PrimaryRays.h"
#include "render/Tracer.h"

#include <cstdint>
#include <stop_token>

// The pixels of a picture as one thread traces them: each pixel's ray (or its antialiasing
// samples) through the tracer, with the thread's own shadow hints.
class CPixelTracer {
public:
    // Samples per side of a pixel: at most this many.
    static constexpr unsigned kMaxAntialias = 16;
    static unsigned CapAntialias(unsigned samples) {
        return samples > kMaxAntialias ? kMaxAntialias : samples;
    }

    CPixelTracer(const CTracer& tracer, const CPrimaryRays& rays, unsigned antialias)
        : m_tracer(tracer), m_rays(rays), m_antialias(CapAntialias(antialias)), m_hints(tracer) {}

    // Traces the pixels [left, right) of row y in order until a stop, handing each colour to
    // put(x, colour); the primary rays of neighbouring pixels are made two at a time.
    template <class Put>
    void Span(unsigned y, unsigned left, unsigned right, const std::stop_token& stop, Put put) {
        Walk<Pass::trace>(y, left, right, 1, stop,
                          [&](unsigned x, const CColour& colour, const ColourLevels&,
                              std::uint64_t) { put(x, colour); });
    }
    // Traces the pixels x0, x0 + step, x0 + 2 step, ... below right of row y in order until a
    // stop (with odd: only every other one of them, from x0 + step), handing each colour to
    // put(x, colour); two pixels' rays are made at a time, as Span makes them.
    template <class Put>
    void Spaced(unsigned y, unsigned x0, unsigned right, unsigned step, bool odd,
                const std::stop_token& stop, Put put) {
        Walk<Pass::trace>(y, odd ? x0 + step : x0, right, odd ? 2 * step : step, stop,
                          [&](unsigned x, const CColour& colour, const ColourLevels&,
                              std::uint64_t) { put(x, colour); });
    }
    // Span and Spaced handing each pixel's levels along with its colour, to put(x, colour,
    // levels): the levels the colour was quantised from (CTracer::TraceLevels for one ray, the
    // average of the samples' levels with antialiasing). The colours and the random draws are
    // the same.
    template <class Put>
    void SpanLevels(unsigned y, unsigned left, unsigned right, const std::stop_token& stop,
                    Put put) {
        Walk<Pass::levels>(y, left, right, 1, stop,
                           [&](unsigned x, const CColour& colour, const ColourLevels& levels,
                               std::uint64_t) { put(x, colour, levels); });
    }
    template <class Put>
    void SpacedLevels(unsigned y, unsigned x0, unsigned right, unsigned step, bool odd,
                      const std::stop_token& stop, Put put) {
        Walk<Pass::levels>(y, odd ? x0 + step : x0, right, odd ? 2 * step : step, stop,
                           [&](unsigned x, const CColour& colour, const ColourLevels& levels,
                               std::uint64_t) { put(x, colour, levels); });
    }
    // The same walk, handing each pixel's count of random draws to put(x, draws) instead.
    template <class Put>
    void CountSpan(unsigned y, unsigned left, unsigned right, const std::stop_token& stop,
                   Put put) {
        Walk<Pass::count>(y, left, right, 1, stop,
                          [&](unsigned x, const CColour&, const ColourLevels&,
                              std::uint64_t draws) { put(x, draws); });
    }

private:
    // What a walk gives of each pixel: its colour; its colour and levels; only its draws.
    enum class Pass { trace, levels, count };

    // The pixels first, first + stride, ... before right of row y.
    template <Pass kPass, class Put>
    void Walk(unsigned y, unsigned first, unsigned right, unsigned stride,
              const std::stop_token& stop, Put put);
    template <Pass kPass>
    void Ray(const CRay& ray, CColour& colour, ColourLevels& levels, std::uint64_t& draws) {
        if constexpr (kPass == Pass::count)
            draws += m_tracer.CountDraws(ray, 0, m_hints);
        else if constexpr (kPass == Pass::levels)
            m_tracer.TraceLevels(ray, colour, levels, m_hints);
        else
            m_tracer.Trace(ray, 0, colour, m_hints); // a miss leaves the background
    }
    // The averaged colour of the pixel's antialiasing samples, and with Pass::levels the
    // average it was quantised from (with Pass::count: only the samples' draws).
    template <Pass kPass>
    CColour Sample(unsigned x, unsigned y, ColourLevels& levels, std::uint64_t& draws);

    const CTracer& m_tracer;
    const CPrimaryRays& m_rays;
    unsigned m_antialias;
    CTracer::ShadowHints m_hints;
};

template <CPixelTracer::Pass kPass, class Put>
void CPixelTracer::Walk(unsigned y, unsigned first, unsigned right, unsigned stride,
                        const std::stop_token& stop, Put put) {
    if (m_antialias > 1) {
        for (unsigned x = first; x < right && !stop.stop_requested(); x += stride) {
            std::uint64_t draws = 0;
            ColourLevels levels;
            CColour colour = Sample<kPass>(x, y, levels, draws);
            put(x, colour, levels, draws);
        }
        return;
    }
    // A pixel's ray ends in a square root and three divisions that the trace waits for; two
    // pixels' rays take the time of one. Each lane of AtTwo rounds as At does, and At at a
    // whole row and column is Ray.
    for (unsigned x = first; x < right; x += 2 * stride) {
        CRay rays[2];
        unsigned count = right - x > stride ? 2 : 1;
        if (count == 2)
            m_rays.AtTwo(y, x, static_cast<double>(x) + stride, rays);
        else
            m_rays.Ray(static_cast<int>(y), static_cast<int>(x), rays[0]);
        for (unsigned k = 0; k < count; ++k) {
            if (stop.stop_requested())
                return;
            std::uint64_t draws = 0;
            CColour colour;
            ColourLevels levels;
            Ray<kPass>(rays[k], colour, levels, draws);
            put(x + k * stride, colour, levels, draws);
        }
    }
}

// Antialiasing: n x n rays on a regular grid inside the pixel, centred on where its one ray
// goes (offsets (k + 1/2) / n - 1/2), row by row; their levels are averaged in double
// precision and the colour is quantised once, from the average. The samples are colours of
// their own, each clamped: the average lies within 0..1.
template <CPixelTracer::Pass kPass>
CColour CPixelTracer::Sample(unsigned x, unsigned y, ColourLevels& levels, std::uint64_t& draws) {
    // Each sample is traced as one pixel's ray is, its colour alone.
    constexpr Pass kSamplePass = kPass == Pass::count ? Pass::count : Pass::trace;
    unsigned n = m_antialias;
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
    for (unsigned j = 0; j < n; ++j) {
        double row = y + ((j + 0.5) / n - 0.5);
        // The rays of a row of samples two at a time (CPrimaryRays::AtTwo), traced in order.
        for (unsigned i = 0; i < n; i += 2) {
            CRay rays[2];
            unsigned count = n - i >= 2 ? 2 : 1;
            double column = x + ((i + 0.5) / n - 0.5);
            if (count == 2)
                m_rays.AtTwo(row, column, x + ((i + 1.5) / n - 0.5), rays);
            else
                m_rays.At(row, column, rays[0]);
            for (unsigned k = 0; k < count; ++k) {
                CColour sample;
                ColourLevels ignored;
                Ray<kSamplePass>(rays[k], sample, ignored, draws);
                red += sample.redLevel;
                green += sample.greenLevel;
                blue += sample.blueLevel;
            }
        }
    }
    double samples = static_cast<double>(n) * n;
    levels = ColourLevels{static_cast<float>(red / samples), static_cast<float>(green / samples),
                          static_cast<float>(blue / samples)};
    return CColour(levels.red, levels.green, levels.blue);
}
