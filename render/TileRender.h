#pragma once

#include "core/Image.h"
#include "render/PrimaryRays.h"
#include "render/Render.h"
#include "render/RenderOptions.h"
#include "render/RenderScene.h"
#include "render/Tracer.h"

#include <cstdint>
#include <memory>
#include <stop_token>
#include <vector>

class CRenderSink;

// A picture traced in tiles, in any order, on any thread, process or machine: each tile holds
// the whole picture's pixels byte for byte. The noise texture draws from one random sequence
// in the whole picture's pixel order, so each row of a tile must start where the whole
// render would stand in that sequence: the sum of the draws of every pixel before it, row by
// row from the top. CountRowDraws gives a tile's share of that sum, whoever adds them up;
// RegionNoiseStarts adds them up for one rectangle.
class CTileRender {
public:
    // The picture of the options' size, reflection depth, antialiasing and hierarchy (its
    // region, threads, parts and progressive are not used). Prepares the scene for tracing.
    CTileRender(std::shared_ptr<const CRenderScene> scene, const RenderOptions& options);

    unsigned GetWidth() const { return m_width; }
    unsigned GetHeight() const { return m_height; }
    // The tile clipped to the picture.
    RenderRegion Clip(const RenderRegion& tile) const;
    // Whether the rows of a tile need their place in the noise's sequence (see Trace).
    bool HasNoise() const { return m_tracer.GetTraceScene().HasNoise(); }
    // Whether the draws of a pixel can be counted without tracing it: every noisy object is a
    // sphere or a plane. Every scene a file describes can.
    bool CanCountDraws() const { return m_tracer.GetTraceScene().CanCountDraws(); }
    double GetSceneSeconds() const { return m_tracer.GetSceneSeconds(); }

    // The noise texture's draws of each row of the tile (its own pixels only), from its top
    // row down. False when a stop came first.
    bool CountRowDraws(const RenderRegion& tile, std::vector<std::uint64_t>& draws,
                       const std::stop_token& stop = {}) const;

    // What the tile will take to trace, roughly, for dealing the costly tiles first: the
    // seconds spent following the rays of one pixel in kSurveyStep × kSurveyStep (one ray
    // each, without shading).
    static constexpr unsigned kSurveyStep = 8;
    double Survey(const RenderRegion& tile) const;

    // Traces the tile into a picture of its own size (the picture's pixel (x, y) at
    // (x - left, y - top)) on the calling thread. With noise, row y starts after
    // rowStarts[y - top] draws of the sequence (one entry per row); without, rowStarts is
    // not read. False after a stop (the rest of the tile stays white), when the picture
    // cannot be allocated, or when a noisy tile is not given one start per row.
    bool Trace(const RenderRegion& tile, const std::vector<std::uint64_t>& rowStarts,
               CImage& picture, const std::stop_token& stop = {}) const;

    // For a region rendered apart from the rest of the picture: where each of its rows starts
    // in the noise's sequence, from the draws of every pixel before it (the whole rows above
    // it, and beside it on its own rows), counted on up to `threads` threads. Empty without
    // noise, or when a stop came first (then false).
    bool RegionNoiseStarts(const RenderRegion& region, unsigned threads,
                           std::vector<std::uint64_t>& starts,
                           const std::stop_token& stop = {}) const;

    // The region alone, into a picture of its size, its rows shared among `threads` threads;
    // the sink hears of every finished row (in the region's picture, from its top) and the
    // progress. The pixels are the whole picture's: with noise, the draws before the region
    // are counted first (RegionNoiseStarts), or, for a scene whose draws cannot be counted,
    // every row down to the region's bottom is traced in order on the calling thread.
    RenderResult RenderPart(const RenderRegion& region, unsigned threads,
                            CRenderSink* sink = nullptr, std::stop_token stop = {}) const;

private:
    unsigned m_width;
    unsigned m_height;
    unsigned m_antialias;
    CTracer m_tracer;
    CPrimaryRays m_rays;
};
