#include "render/Render.h"

#include "core/Random.h"
#include "render/NoiseDraws.h"
#include "render/PixelTracer.h"
#include "render/PrimaryRays.h"
#include "render/RegionQueue.h"
#include "render/RenderSink.h"
#include "render/RowQueue.h"
#include "render/TaskPool.h"
#include "render/Tracer.h"
#include "scene/SceneObject.h"

#include <algorithm>
#include <vector>

namespace {

// One render's picture, schedule and shared read-only state.
class CRenderRun {
public:
    CRenderRun(const CTracer& tracer, const CPrimaryRays& rays, const RenderOptions& options,
               const RenderRegion& region, CImage& picture, CFloatImage* levels, CRenderSink& sink,
               const std::stop_token& stop)
        : m_tracer(tracer), m_rays(rays), m_antialias(options.antialias), m_region(region),
          m_picture(picture), m_levels(levels), m_sink(sink), m_stop(stop) {}

    void Serial();
    // False when no worker thread could be started (nothing has been traced then).
    bool Rows(unsigned threads);
    bool Parts(unsigned parts);
    // False when the scene's noise cannot be seeked pixel by pixel (nothing traced then).
    bool Progressive(unsigned threads);

private:
    bool Stopped() const { return m_stop.stop_requested(); }
    // Counts the noise's draws when the scene has noise; false when a stop came first.
    bool PrepareNoise(unsigned threads);
    // Traces the pixels [left, right) of row y into the picture (and its levels, when they are
    // kept), the thread's random sequence moved to the row's place first; the end of what was
    // traced (less than right after a stop).
    unsigned TraceRow(CPixelTracer& pixels, unsigned y, unsigned left, unsigned right);
    // Starts up to `count` workers on the task pool, each tracing the queue's items with
    // trace(pixels, item) until none is left or a stop comes. Every worker draws from a random
    // sequence of its own, which the trace moves to each item's place.
    template <class Trace>
    void StartWorkers(CRowQueue& queue, CTaskGroup& workers, unsigned count, Trace& trace);
    // Traces the pixels of the progressive pass at blocks of `step` in the band of rows that
    // starts at y, each filling its block.
    void TraceBand(CPixelTracer& pixels, unsigned step, bool first, unsigned y);
    void Finished(unsigned y, unsigned left, unsigned right) {
        m_sink.RowFinished(m_picture, y, left, right);
    }

    const CTracer& m_tracer;
    const CPrimaryRays& m_rays;
    unsigned m_antialias;
    RenderRegion m_region;
    CImage& m_picture;
    CFloatImage* m_levels; // null unless the levels are kept
    CRenderSink& m_sink;
    const std::stop_token& m_stop;
    CNoiseDraws m_noise;
    bool m_seekNoise = false;
};

unsigned CRenderRun::TraceRow(CPixelTracer& pixels, unsigned y, unsigned left, unsigned right) {
    if (m_seekNoise)
        m_noise.Seek(left, y);
    unsigned end = left;
    if (m_levels) {
        pixels.SpanLevels(y, left, right, m_stop,
                          [&](unsigned x, const CColour& colour, const ColourLevels& levels) {
                              m_picture.SetPixel(static_cast<int>(x), static_cast<int>(y), colour);
                              m_levels->SetPixel(static_cast<int>(x), static_cast<int>(y), levels);
                              end = x + 1;
                          });
        return end;
    }
    pixels.Span(y, left, right, m_stop, [&](unsigned x, const CColour& colour) {
        m_picture.SetPixel(static_cast<int>(x), static_cast<int>(y), colour);
        end = x + 1;
    });
    return end;
}

template <class Trace>
void CRenderRun::StartWorkers(CRowQueue& queue, CTaskGroup& workers, unsigned count, Trace& trace) {
    auto work = [this, &queue, &trace] {
        CRandom random;
        CRandom::Scope randomScope(random);
        CPixelTracer pixels(m_tracer, m_rays, m_antialias);
        unsigned item;
        while (!Stopped() && queue.Take(item)) {
            trace(pixels, item);
            queue.MarkDone(item);
        }
        queue.WorkerFinished();
    };
    for (unsigned i = 0; i < count; ++i) {
        queue.WorkerStarting();
        if (!workers.Start(work)) {
            queue.WorkerFinished();
            break; // go on with the workers that did start
        }
    }
}

void CRenderRun::Serial() {
    m_sink.TracingStarted();
    CPixelTracer pixels(m_tracer, m_rays, m_antialias);
    for (unsigned y = m_region.top; y < m_region.bottom && !Stopped(); ++y) {
        unsigned end = TraceRow(pixels, y, m_region.left, m_region.right);
        if (end > m_region.left)
            Finished(y, m_region.left, end);
        m_sink.Progress(static_cast<int>(100.0 * y / m_region.bottom));
    }
}

bool CRenderRun::PrepareNoise(unsigned threads) {
    if (!m_tracer.GetTraceScene().HasNoise())
        return true;
    m_seekNoise = true;
    return m_noise.Count(m_tracer, m_rays, m_antialias, m_region, threads, m_stop);
}

bool CRenderRun::Rows(unsigned threads) {
    if (!PrepareNoise(threads))
        return true; // stopped while counting: nothing more is traced

    m_sink.TracingStarted();
    CRowQueue queue(m_region.top, m_region.bottom);
    CTaskGroup workers;
    auto traceRow = [this](CPixelTracer& pixels, unsigned y) {
        TraceRow(pixels, y, m_region.left, m_region.right);
    };
    StartWorkers(queue, workers, std::min(threads, m_region.bottom - m_region.top), traceRow);
    if (workers.Count() == 0)
        return false;

    // The rows are handed over in order as they finish. Waiting for a batch of rows at a time
    // keeps this thread from waking, and taking a core from the workers, for every row.
    const unsigned batch = std::max(1u, (m_region.bottom - m_region.top) / 32);
    for (unsigned y = m_region.top; y < m_region.bottom && !Stopped(); ++y) {
        if (!queue.IsDone(y)) {
            queue.WaitFor(std::min(y + batch, m_region.bottom) - 1);
            if (!queue.WaitFor(y))
                break; // the workers stopped before this row
        }
        Finished(y, m_region.left, m_region.right);
        m_sink.Progress(static_cast<int>(100.0 * y / m_region.bottom));
    }
    workers.Wait();
    return true;
}

bool CRenderRun::Parts(unsigned partCount) {
    const RenderRegion& region = m_region;
    unsigned columns = partCount >= 4 ? 2 : 1;
    unsigned middleY = region.top + (region.bottom - region.top) / 2;
    unsigned middleX = region.left + (region.right - region.left) / 2;
    std::vector<RenderRegion> parts;
    for (unsigned half = 0; half < 2; ++half) {
        unsigned top = half == 0 ? region.top : middleY;
        unsigned bottom = half == 0 ? middleY : region.bottom;
        for (unsigned column = 0; column < columns; ++column) {
            unsigned left = columns == 1 || column == 0 ? region.left : middleX;
            unsigned right = columns == 1 || column == 1 ? region.right : middleX;
            if (top < bottom && left < right)
                parts.push_back(RenderRegion{left, top, right, bottom});
        }
    }
    if (!PrepareNoise(static_cast<unsigned>(parts.size())))
        return true;
    m_sink.TracingStarted();

    CRegionQueue queue;
    CTaskGroup workers;
    std::size_t segments = 0;
    for (const RenderRegion& part : parts) {
        queue.WorkerStarting();
        bool started = workers.Start([this, &queue, part] {
            CRandom random;
            CRandom::Scope randomScope(random);
            CPixelTracer pixels(m_tracer, m_rays, m_antialias);
            for (unsigned y = part.top; y < part.bottom && !Stopped(); ++y) {
                TraceRow(pixels, y, part.left, part.right);
                queue.Post(CRegionQueue::Segment{y, part.left, part.right});
            }
            queue.WorkerFinished();
        });
        if (!started) {
            queue.WorkerFinished();
            break;
        }
        segments += part.bottom - part.top;
    }
    if (workers.Count() == 0)
        return false;
    if (workers.Count() < parts.size()) {
        // Too few threads for the split: what was started finishes, the rest goes serially
        // on the calling thread after it (the noise's sequence is seeked, so the order of the
        // parts does not matter).
        CPixelTracer pixels(m_tracer, m_rays, m_antialias);
        for (std::size_t i = workers.Count(); i < parts.size(); ++i) {
            const RenderRegion& part = parts[i];
            for (unsigned y = part.top; y < part.bottom && !Stopped(); ++y) {
                unsigned end = TraceRow(pixels, y, part.left, part.right);
                if (end > part.left)
                    Finished(y, part.left, end);
            }
        }
    }

    std::size_t finished = 0;
    CRegionQueue::Segment segment{};
    while (queue.Take(segment)) {
        Finished(segment.y, segment.left, segment.right);
        ++finished;
        m_sink.Progress(static_cast<int>(100.0 * static_cast<double>(finished) /
                                         static_cast<double>(segments)));
    }
    workers.Wait();
    return true;
}

// The first pass's grid: 8 × 8 blocks show a 640 × 460 view's picture after 1/64 of its rays.
constexpr unsigned kCoarsestStep = 8;

void CRenderRun::TraceBand(CPixelTracer& pixels, unsigned step, bool first, unsigned y) {
    const RenderRegion& region = m_region;
    unsigned blockHeight = std::min(step, region.bottom - y);
    // A pixel of the grid of 2 × step was traced by an earlier pass, unless this is the first.
    bool rowOnCoarserGrid = !first && (y - region.top) % (2 * step) == 0;
    CNoiseDraws::RowCursor cursor;
    if (step == 1 && !rowOnCoarserGrid) {
        // Every pixel of the row: traced in one run, their rays two at a time.
        TraceRow(pixels, y, region.left, region.right);
        return;
    }
    auto fill = [&](unsigned x, const CColour& colour) {
        m_picture.Fill(static_cast<int>(x), static_cast<int>(y),
                       static_cast<int>(std::min(step, region.right - x)),
                       static_cast<int>(blockHeight), colour);
    };
    // The kept levels fill the same block.
    auto fillLevels = [&](unsigned x, const CColour& colour, const ColourLevels& levels) {
        fill(x, colour);
        m_levels->Fill(static_cast<int>(x), static_cast<int>(y),
                       static_cast<int>(std::min(step, region.right - x)),
                       static_cast<int>(blockHeight), levels);
    };
    if (!m_seekNoise) {
        if (m_levels)
            pixels.SpacedLevels(y, region.left, region.right, step, rowOnCoarserGrid, m_stop,
                                fillLevels);
        else
            pixels.Spaced(y, region.left, region.right, step, rowOnCoarserGrid, m_stop, fill);
        return;
    }
    // With noise every pixel starts at its own place in the random sequence.
    for (unsigned x = region.left; x < region.right && !Stopped(); x += step) {
        if (rowOnCoarserGrid && (x - region.left) % (2 * step) == 0)
            continue;
        m_noise.Seek(x, y, cursor);
        if (m_levels)
            pixels.SpanLevels(y, x, x + 1, m_stop, fillLevels);
        else
            pixels.Span(y, x, x + 1, m_stop, fill);
    }
}

bool CRenderRun::Progressive(unsigned threads) {
    if (m_tracer.GetTraceScene().HasNoise() && !m_tracer.GetTraceScene().CanCountDraws())
        return false;
    if (!PrepareNoise(std::max(threads, 1u)))
        return true;
    m_sink.TracingStarted();

    const RenderRegion& region = m_region;
    std::uint64_t total = std::uint64_t{region.right - region.left} * (region.bottom - region.top);
    std::uint64_t traced = 0;
    for (unsigned step = kCoarsestStep; step >= 1 && !Stopped(); step /= 2) {
        bool first = step == kCoarsestStep;
        unsigned bands = (region.bottom - region.top + step - 1) / step;
        unsigned columns = (region.right - region.left + step - 1) / step;
        // The pixels this pass traces in a band on (and off) the coarser pass's grid.
        unsigned coarseColumns = (region.right - region.left + 2 * step - 1) / (2 * step);
        auto bandPixels = [&](unsigned band) -> std::uint64_t {
            return !first && band % 2 == 0 ? columns - coarseColumns : columns;
        };
        auto handOver = [&](unsigned band) {
            unsigned top = region.top + band * step;
            unsigned bottom = std::min(top + step, region.bottom);
            for (unsigned y = top; y < bottom; ++y)
                Finished(y, region.left, region.right);
            traced += bandPixels(band);
            m_sink.Progress(
                static_cast<int>(100.0 * static_cast<double>(traced) / static_cast<double>(total)));
        };

        CRowQueue queue(0, bands);
        CTaskGroup workers;
        auto traceBand = [&](CPixelTracer& pixels, unsigned band) {
            TraceBand(pixels, step, first, region.top + band * step);
        };
        StartWorkers(queue, workers, threads > 1 ? std::min(threads, bands) : 0, traceBand);
        if (workers.Count() == 0) {
            // On the calling thread alone.
            CPixelTracer pixels(m_tracer, m_rays, m_antialias);
            for (unsigned band = 0; band < bands && !Stopped(); ++band) {
                TraceBand(pixels, step, first, region.top + band * step);
                if (!Stopped())
                    handOver(band);
            }
        } else {
            for (unsigned band = 0; band < bands && !Stopped(); ++band) {
                if (!queue.IsDone(band) && !queue.WaitFor(band))
                    break;
                handOver(band);
            }
            workers.Wait();
        }
        if (!Stopped())
            m_sink.PassFinished(step);
    }
    return true;
}

} // namespace

CCamera RenderCamera(const CRenderScene& scene, unsigned width, unsigned height) {
    // The ratio in single precision. A picture without rows traces nothing, so its camera
    // needs no ratio (and gets no division by zero).
    float aspect = height ? static_cast<float>(width) / static_cast<float>(height) : 0.0f;
    return CCamera(scene.Look(), scene.Eye(), CVector(1.0, 0.0, 0.0), CVector(0.0, aspect, 0.0));
}

bool CanRenderInParallel(const CRenderScene& scene, const RenderOptions& options) {
    if (options.threads <= 1 && options.parts <= 1)
        return false;
    for (const auto& object : scene.Objects())
        if (object && (object->GetTextureFlags() & kTextureNoise) &&
            CTraceScene::Describe(object.get()).kind == CTraceScene::Kind::other)
            return false;
    return true;
}

RenderResult Render(const std::shared_ptr<const CRenderScene>& scene, const RenderOptions& options,
                    CRenderSink* sink, std::stop_token stop) {
    RenderResult result;
    if (!result.picture.SetSize(static_cast<int>(options.width),
                                static_cast<int>(options.height))) {
        result.status = RenderResult::noMemory;
        return result;
    }
    if (options.keepLevels &&
        !result.levels.SetSize(static_cast<int>(options.width), static_cast<int>(options.height))) {
        result.picture = CImage();
        result.status = RenderResult::noMemory;
        return result;
    }
    CTracer tracer(scene, options.maxRecursion, options.hierarchy);
    result.sceneSeconds = tracer.GetSceneSeconds();

    // The noise texture's random sequence, fresh for every render so that every render of a
    // scene gives the same picture.
    CRandom random;
    CRandom::Scope randomScope(random);

    CPrimaryRays rays(options.width, options.height,
                      RenderCamera(*scene, options.width, options.height));

    RenderRegion region = options.region;
    region.right = std::min(region.right, options.width);
    region.bottom = std::min(region.bottom, options.height);

    CRenderSink nobody;
    CRenderRun run(tracer, rays, options, region, result.picture,
                   options.keepLevels ? &result.levels : nullptr, sink ? *sink : nobody, stop);
    bool traced = false;
    if (region.top < region.bottom && region.left < region.right && options.progressive)
        traced = run.Progressive(CanRenderInParallel(*scene, options) ? options.threads : 1);
    else if (region.top < region.bottom && region.left < region.right &&
             CanRenderInParallel(*scene, options))
        traced = options.parts >= 2 ? run.Parts(options.parts)
                                    : options.threads > 1 && run.Rows(options.threads);
    if (!traced)
        run.Serial();
    if (stop.stop_requested())
        result.status = RenderResult::stopped;
    return result;
}
