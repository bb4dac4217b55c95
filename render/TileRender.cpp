#include "render/TileRender.h"

#include "core/Random.h"
#include "render/PixelTracer.h"
#include "render/RenderSink.h"
#include "render/RowQueue.h"
#include "render/TaskPool.h"

#include <algorithm>
#include <chrono>

namespace {

// The calling thread's random sequence moved to the place after that many draws.
void SeekNoise(std::uint64_t draws) {
    CRandom& random = CRandom::Current();
    random = CRandom();
    random.Skip(draws);
}

} // namespace

CTileRender::CTileRender(std::shared_ptr<const CRenderScene> scene, const RenderOptions& options)
    : m_width(options.width), m_height(options.height), m_antialias(options.antialias),
      m_tracer(scene, options.maxRecursion, options.hierarchy),
      m_rays(options.width, options.height, RenderCamera(*scene, options.width, options.height)) {}

RenderRegion CTileRender::Clip(const RenderRegion& tile) const {
    RenderRegion clipped = tile;
    clipped.right = std::min(clipped.right, m_width);
    clipped.bottom = std::min(clipped.bottom, m_height);
    clipped.left = std::min(clipped.left, clipped.right);
    clipped.top = std::min(clipped.top, clipped.bottom);
    return clipped;
}

bool CTileRender::CountRowDraws(const RenderRegion& tile, std::vector<std::uint64_t>& draws,
                                const std::stop_token& stop) const {
    RenderRegion clipped = Clip(tile);
    draws.assign(clipped.bottom - clipped.top, 0);
    CPixelTracer pixels(m_tracer, m_rays, m_antialias);
    for (unsigned y = clipped.top; y < clipped.bottom; ++y) {
        std::uint64_t& row = draws[y - clipped.top];
        pixels.CountSpan(y, clipped.left, clipped.right, stop,
                         [&](unsigned, std::uint64_t pixel) { row += pixel; });
        if (stop.stop_requested())
            return false;
    }
    return true;
}

double CTileRender::Survey(const RenderRegion& tile) const {
    RenderRegion clipped = Clip(tile);
    if (clipped.left == clipped.right || clipped.top == clipped.bottom)
        return 0.0;
    // The middle of each block of the grid, or of the tile when it is smaller than a block.
    auto first = [](unsigned from, unsigned to) {
        return from + std::min(kSurveyStep / 2, (to - from - 1) / 2);
    };
    CTracer::ShadowHints hints(m_tracer);
    auto start = std::chrono::steady_clock::now();
    for (unsigned y = first(clipped.top, clipped.bottom); y < clipped.bottom; y += kSurveyStep)
        for (unsigned x = first(clipped.left, clipped.right); x < clipped.right; x += kSurveyStep) {
            CRay ray;
            m_rays.Ray(static_cast<int>(y), static_cast<int>(x), ray);
            m_tracer.CountDraws(ray, 0, hints);
        }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool CTileRender::Trace(const RenderRegion& tile, const std::vector<std::uint64_t>& rowStarts,
                        CImage& picture, const std::stop_token& stop) const {
    RenderRegion clipped = Clip(tile);
    unsigned rows = clipped.bottom - clipped.top;
    bool seek = HasNoise();
    if (seek && rowStarts.size() != rows)
        return false;
    if (!picture.SetSize(static_cast<int>(clipped.right - clipped.left), static_cast<int>(rows)))
        return false;
    CRandom random;
    CRandom::Scope randomScope(random);
    CPixelTracer pixels(m_tracer, m_rays, m_antialias);
    for (unsigned y = clipped.top; y < clipped.bottom; ++y) {
        if (seek)
            SeekNoise(rowStarts[y - clipped.top]);
        pixels.Span(y, clipped.left, clipped.right, stop, [&](unsigned x, const CColour& colour) {
            picture.SetPixel(static_cast<int>(x - clipped.left), static_cast<int>(y - clipped.top),
                             colour);
        });
        if (stop.stop_requested())
            return false;
    }
    return true;
}

bool CTileRender::RegionNoiseStarts(const RenderRegion& region, unsigned threads,
                                    std::vector<std::uint64_t>& starts,
                                    const std::stop_token& stop) const {
    starts.clear();
    RenderRegion clipped = Clip(region);
    if (!HasNoise() || clipped.top == clipped.bottom)
        return true;
    // Every row down to the region's bottom: its draws before the region's left, and all of
    // them (the rest of a row comes before the next row).
    std::vector<std::uint64_t> before(clipped.bottom, 0);
    std::vector<std::uint64_t> whole(clipped.bottom, 0);
    ParallelFor(clipped.bottom, threads, [&](std::size_t row) {
        if (stop.stop_requested())
            return;
        auto y = static_cast<unsigned>(row);
        CPixelTracer pixels(m_tracer, m_rays, m_antialias);
        pixels.CountSpan(y, 0, m_width, stop, [&](unsigned x, std::uint64_t draws) {
            if (x < clipped.left)
                before[row] += draws;
            whole[row] += draws;
        });
    });
    if (stop.stop_requested())
        return false;
    std::uint64_t sum = 0;
    for (unsigned y = 0; y < clipped.bottom; ++y) {
        if (y >= clipped.top)
            starts.push_back(sum + before[y]);
        sum += whole[y];
    }
    return true;
}

RenderResult CTileRender::RenderPart(const RenderRegion& region, unsigned threads,
                                     CRenderSink* sink, std::stop_token stop) const {
    RenderResult result;
    RenderRegion clipped = Clip(region);
    unsigned width = clipped.right - clipped.left;
    unsigned rows = clipped.bottom - clipped.top;
    if (!result.picture.SetSize(static_cast<int>(width), static_cast<int>(rows))) {
        result.status = RenderResult::noMemory;
        return result;
    }
    result.sceneSeconds = GetSceneSeconds();
    CRenderSink nobody;
    CRenderSink& watcher = sink ? *sink : nobody;
    CImage& picture = result.picture;
    auto finished = [&](unsigned y) {
        watcher.RowFinished(picture, y - clipped.top, 0, width);
        watcher.Progress(static_cast<int>(100.0 * (y - clipped.top) / rows));
    };

    CRandom random;
    CRandom::Scope randomScope(random);
    if (HasNoise() && !CanCountDraws()) {
        // The sequence is followed in the whole picture's order from its first pixel; only the
        // region's pixels are kept.
        CPixelTracer pixels(m_tracer, m_rays, m_antialias);
        for (unsigned y = 0; y < clipped.bottom && !stop.stop_requested(); ++y) {
            pixels.Span(y, 0, m_width, stop, [&](unsigned x, const CColour& colour) {
                if (y >= clipped.top && x >= clipped.left && x < clipped.right)
                    picture.SetPixel(static_cast<int>(x - clipped.left),
                                     static_cast<int>(y - clipped.top), colour);
            });
            if (y >= clipped.top && !stop.stop_requested())
                finished(y);
        }
        if (stop.stop_requested())
            result.status = RenderResult::stopped;
        return result;
    }

    std::vector<std::uint64_t> starts;
    if (!RegionNoiseStarts(clipped, threads, starts, stop)) {
        result.status = RenderResult::stopped;
        return result;
    }
    auto traceRow = [&](CPixelTracer& pixels, unsigned y) {
        if (!starts.empty())
            SeekNoise(starts[y - clipped.top]);
        pixels.Span(y, clipped.left, clipped.right, stop, [&](unsigned x, const CColour& colour) {
            picture.SetPixel(static_cast<int>(x - clipped.left), static_cast<int>(y - clipped.top),
                             colour);
        });
    };

    CRowQueue queue(clipped.top, clipped.bottom);
    CTaskGroup workers;
    if (threads > 1) {
        auto work = [&] {
            CRandom own;
            CRandom::Scope ownScope(own);
            CPixelTracer pixels(m_tracer, m_rays, m_antialias);
            unsigned y;
            while (!stop.stop_requested() && queue.Take(y)) {
                traceRow(pixels, y);
                queue.MarkDone(y);
            }
            queue.WorkerFinished();
        };
        for (unsigned i = 0; i < std::min(threads, rows); ++i) {
            queue.WorkerStarting();
            if (!workers.Start(work)) {
                queue.WorkerFinished();
                break;
            }
        }
    }
    if (workers.Count() == 0) {
        CPixelTracer pixels(m_tracer, m_rays, m_antialias);
        for (unsigned y = clipped.top; y < clipped.bottom && !stop.stop_requested(); ++y) {
            traceRow(pixels, y);
            if (!stop.stop_requested())
                finished(y);
        }
    } else {
        for (unsigned y = clipped.top; y < clipped.bottom && !stop.stop_requested(); ++y) {
            if (!queue.IsDone(y) && !queue.WaitFor(y))
                break;
            finished(y);
        }
        workers.Wait();
    }
    if (stop.stop_requested())
        result.status = RenderResult::stopped;
    return result;
}
