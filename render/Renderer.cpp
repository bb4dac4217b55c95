#include "render/Renderer.h"

#include "platform/MainWindow.h"
#include "platform/Platform.h"
#include "platform/ProgressBar.h"
#include "platform/SettingsStore.h"
#include "platform/ViewPort.h"
#include "render/RegionQueue.h"
#include "render/RowQueue.h"
#include "scene/Light.h"
#include "scene/SceneObject.h"
#include "scene/Thresholds.h"
#include "script/LumoDoc.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

CViewPort* ActiveView() {
    CMainWindow* mainWindow = CPlatform::Current().GetMainWindow();
    return mainWindow ? mainWindow->GetActiveViewPort() : nullptr;
}

// One of a colour's three levels.
using Channel = float CColour::*;

// The red, green and blue sums of a shading, in double precision. A term is evaluated for red,
// then green, then blue: a term that reads a noise texture draws its random numbers in that
// order.
class ChannelSums {
public:
    // The sums start at the first term's values (not at 0 plus them, which would lose the sign
    // of a -0).
    template <class Term> explicit ChannelSums(Term first) {
        m_red = first(&CColour::redLevel);
        m_green = first(&CColour::greenLevel);
        m_blue = first(&CColour::blueLevel);
    }

    template <class Term> void Add(Term term) {
        m_red += term(&CColour::redLevel);
        m_green += term(&CColour::greenLevel);
        m_blue += term(&CColour::blueLevel);
    }

    // The sums themselves are never clamped; only the colour made from them is.
    CColour Colour() const {
        return CColour(static_cast<float>(m_red), static_cast<float>(m_green),
                       static_cast<float>(m_blue));
    }

private:
    double m_red;
    double m_green;
    double m_blue;
};

// Worker threads, each with a renderer of its own (the reflection depth is per trace), all
// joined before the set goes.
class CWorkers {
public:
    CWorkers() = default;
    CWorkers(const CWorkers&) = delete;
    CWorkers& operator=(const CWorkers&) = delete;
    ~CWorkers() { Join(); }

    // Runs work(tracer) on a new thread; false when no thread could be started.
    template <class Work> bool Start(std::unique_ptr<CRenderer> tracer, Work work) {
        try {
            CRenderer* raw = tracer.get();
            m_threads.emplace_back([raw, work] { work(*raw); });
        } catch (const std::system_error&) {
            return false;
        }
        m_tracers.push_back(std::move(tracer));
        return true;
    }
    std::size_t Count() const { return m_threads.size(); }
    void Join() {
        for (std::thread& thread : m_threads)
            thread.join();
        m_threads.clear();
    }

private:
    std::vector<std::unique_ptr<CRenderer>> m_tracers;
    std::vector<std::thread> m_threads;
};

} // namespace

void CRenderer::Attach(CLumoDoc* document) {
    m_document = document;
    if (document)
        m_background = document->m_background;
    // A negative stored value reads as a huge unsigned count and is capped like one.
    unsigned limit = m_recursionOverride ? *m_recursionOverride
                                         : static_cast<unsigned>(CSettingsStore::Profile().GetInt(
                                               CSettingsStore::kSection, "MaxRecursion", 0));
    m_recursionLimit = CapRecursion(limit);

    auto start = std::chrono::steady_clock::now();
    auto scene = std::make_shared<CTraceScene>();
    if (document)
        scene->Build(document->m_objects, m_hierarchy);
    m_scene = std::move(scene);
    m_blockerHints.assign(document ? document->m_lights.size() : 0, 0);
    m_sceneSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void CRenderer::Render(CLumoDoc* document, unsigned width, unsigned height, int left, int top,
                       int right, int bottom, CProgressBar* progress) {
    m_width = width;
    m_height = height;
    Attach(document);
    if (!document)
        return;

    m_random = CRandom();
    CRandom::Scope randomScope(m_random);

    // The ratio in single precision. A picture without rows traces nothing, so its camera
    // needs no ratio (and gets no division by zero).
    float aspect = m_height ? static_cast<float>(m_width) / static_cast<float>(m_height) : 0.0f;
    CCamera camera(document->GetLook(), document->GetEye(), CVector(1.0, 0.0, 0.0),
                   CVector(0.0, aspect, 0.0));

    // The region is compared as unsigned numbers and clipped to the width x height picture.
    Region region{static_cast<unsigned>(left), static_cast<unsigned>(top),
                  std::min(static_cast<unsigned>(right), m_width),
                  std::min(static_cast<unsigned>(bottom), m_height)};

    bool traced = false;
    if (region.top < region.bottom && region.left < region.right && CanRenderInParallel(document))
        traced = m_parts >= 2 ? RenderParts(camera, region, progress)
                              : m_threads > 1 && RenderParallel(camera, region, progress);
    if (!traced)
        RenderSerial(camera, region, progress);

    document->m_imageComplete = 1;
    if (CViewPort* view = ActiveView())
        view->RepaintNow();
}

void CRenderer::RenderSerial(const CCamera& camera, const Region& region, CProgressBar* progress) {
    for (unsigned y = region.top; y < region.bottom && !Stopped(); ++y) {
        TraceSpan<false>(y, region.left, region.right, camera,
                         [&](unsigned x, const CColour& colour) {
                             WritePixel(static_cast<int>(x), static_cast<int>(y), colour);
                         });
        if (progress)
            progress->SetPos(static_cast<int>(100.0 * y / region.bottom));
    }
}

template <bool kCount, class Put>
void CRenderer::TraceSpan(unsigned y, unsigned left, unsigned right, const CCamera& camera,
                          Put put) {
    if (m_antialias > 1) {
        for (unsigned x = left; x < right && !Stopped(); ++x)
            put(x, SamplePixel<kCount>(x, y, camera));
        return;
    }
    // A pixel's ray ends in a square root and three divisions that the trace waits for; two
    // pixels' rays take the time of one.
    for (unsigned x = left; x < right; x += 2) {
        CRay rays[2];
        unsigned count = right - x >= 2 ? 2 : 1;
        if (count == 2)
            PrimaryRayPair(static_cast<int>(y), static_cast<int>(x), rays, camera);
        else
            PrimaryRay(static_cast<int>(y), static_cast<int>(x), rays[0], camera);
        for (unsigned k = 0; k < count; ++k) {
            if (Stopped())
                return;
            m_depth = 0;
            CColour colour;
            TraceRay<kCount>(rays[k], colour); // a ray that hits nothing leaves the background
            put(x + k, colour);
        }
    }
}

// Antialiasing: n x n rays on a regular grid inside the pixel, centred on where its one ray
// goes (offsets (k + 1/2) / n - 1/2), row by row; their levels are averaged in double
// precision and the colour is quantised once, from the average.
template <bool kCount>
CColour CRenderer::SamplePixel(unsigned x, unsigned y, const CCamera& camera) {
    unsigned n = m_antialias;
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
    for (unsigned j = 0; j < n; ++j) {
        double row = y + ((j + 0.5) / n - 0.5);
        // The rays of a row of samples two at a time (PrimaryRaysAt), traced in order.
        for (unsigned i = 0; i < n; i += 2) {
            CRay rays[2];
            unsigned count = n - i >= 2 ? 2 : 1;
            double column = x + ((i + 0.5) / n - 0.5);
            if (count == 2)
                PrimaryRaysAt(row, column, x + ((i + 1.5) / n - 0.5), rays, camera);
            else
                PrimaryRayAt(row, column, rays[0], camera);
            for (unsigned k = 0; k < count; ++k) {
                m_depth = 0;
                CColour sample;
                TraceRay<kCount>(rays[k], sample);
                red += sample.redLevel;
                green += sample.greenLevel;
                blue += sample.blueLevel;
            }
        }
    }
    double samples = static_cast<double>(n) * n;
    return CColour(static_cast<float>(red / samples), static_cast<float>(green / samples),
                   static_cast<float>(blue / samples));
}

bool CRenderer::CanRenderInParallel(const CLumoDoc* document) const {
    if ((m_threads <= 1 && m_parts <= 1) || !document)
        return false;
    for (const auto& object : document->m_objects)
        if (object && (object->GetTextureFlags() & kTextureNoise) &&
            CTraceScene::Describe(object.get()).kind == CTraceScene::Kind::other)
            return false;
    return true;
}

std::unique_ptr<CRenderer> CRenderer::MakeTracer() const {
    auto tracer = std::make_unique<CRenderer>();
    tracer->m_width = m_width;
    tracer->m_height = m_height;
    tracer->m_background = m_background;
    tracer->m_document = m_document;
    tracer->m_recursionLimit = m_recursionLimit;
    tracer->m_antialias = m_antialias;
    tracer->m_scene = m_scene;
    tracer->m_stop = m_stop;
    tracer->m_blockerHints.assign(m_blockerHints.size(), 0);
    return tracer;
}

void CRenderer::SeekNoise(const DrawOffsets& offsets, const Region& region, unsigned x,
                          unsigned y) {
    if (offsets.rowStarts.empty())
        return;
    std::size_t width = region.right - region.left;
    std::size_t row = y - region.top;
    std::uint64_t draws = offsets.rowStarts[row];
    const std::uint32_t* pixel = offsets.pixelDraws.data() + row * width;
    for (unsigned i = region.left; i < x; ++i)
        draws += pixel[i - region.left];
    CRandom& random = CRandom::Current();
    random = CRandom();
    random.Skip(draws);
}

void CRenderer::CountRows(CRowQueue& queue, const Region& region, const CCamera& camera,
                          DrawOffsets& offsets) {
    std::size_t width = region.right - region.left;
    unsigned y;
    while (!Stopped() && queue.Take(y)) {
        std::uint32_t* pixel = offsets.pixelDraws.data() + (y - region.top) * width;
        // Each pixel's draws, counted from zero.
        m_draws = 0;
        TraceSpan<true>(y, region.left, region.right, camera, [&](unsigned x, const CColour&) {
            pixel[x - region.left] = static_cast<std::uint32_t>(m_draws);
            m_draws = 0;
        });
        queue.MarkDone(y);
    }
    queue.WorkerFinished();
}

bool CRenderer::CountDraws(const CCamera& camera, const Region& region, unsigned workers,
                           DrawOffsets& offsets) {
    std::size_t width = region.right - region.left;
    std::size_t rows = region.bottom - region.top;
    offsets.pixelDraws.assign(width * rows, 0);
    CRowQueue queue(region.top, region.bottom);
    {
        CWorkers threads;
        for (unsigned i = 0; i < std::min<std::size_t>(workers, rows); ++i) {
            queue.WorkerStarting();
            if (!threads.Start(MakeTracer(), [&](CRenderer& tracer) {
                    tracer.CountRows(queue, region, camera, offsets);
                })) {
                queue.WorkerFinished();
                break;
            }
        }
        if (threads.Count() == 0)
            return false;
    }
    offsets.rowStarts.assign(rows + 1, 0);
    for (std::size_t row = 0; row < rows; ++row) {
        std::uint64_t sum = offsets.rowStarts[row];
        for (std::size_t x = 0; x < width; ++x)
            sum += offsets.pixelDraws[row * width + x];
        offsets.rowStarts[row + 1] = sum;
    }
    return true;
}

void CRenderer::TraceRows(CRowQueue& queue, const Region& region, const CCamera& camera,
                          const DrawOffsets& offsets) {
    // Every worker draws from a sequence of its own, moved to each row's place in the serial
    // render's sequence.
    CRandom random;
    CRandom::Scope randomScope(random);
    unsigned y;
    while (!Stopped() && queue.Take(y)) {
        SeekNoise(offsets, region, region.left, y);
        TraceSpan<false>(y, region.left, region.right, camera,
                         [&](unsigned x, const CColour& colour) {
                             StorePixel(static_cast<int>(x), static_cast<int>(y), colour);
                         });
        queue.MarkDone(y);
    }
    queue.WorkerFinished();
}

void CRenderer::PaintFromImage(unsigned y, unsigned left, unsigned right) {
    CViewPort* view = ActiveView();
    const CImage& image = m_document->m_image;
    if (!view)
        return;
    // Painted from the image, so a pixel the image has no room for is not painted.
    for (unsigned x = left; x < right; ++x) {
        int px = static_cast<int>(x);
        int py = static_cast<int>(y);
        if (px >= image.GetWidth() || py >= image.GetHeight() || !image.HasPlanes())
            continue;
        std::uint32_t pixel = image.GetPixel(px, py);
        view->SetPixel(px, py, pixel & 0xFF, (pixel >> 8) & 0xFF, (pixel >> 16) & 0xFF);
    }
}

bool CRenderer::RenderParallel(const CCamera& camera, const Region& region,
                               CProgressBar* progress) {
    DrawOffsets offsets;
    if (m_scene->HasNoise() && !CountDraws(camera, region, m_threads, offsets))
        return false;

    CRowQueue queue(region.top, region.bottom);
    CWorkers threads;
    unsigned count = std::min(m_threads, region.bottom - region.top);
    for (unsigned i = 0; i < count; ++i) {
        queue.WorkerStarting();
        if (!threads.Start(MakeTracer(), [&](CRenderer& tracer) {
                tracer.TraceRows(queue, region, camera, offsets);
            })) {
            queue.WorkerFinished();
            break; // go on with the workers that did start
        }
    }
    if (threads.Count() == 0)
        return false;

    // The rows are painted in order as they finish. Waiting for a batch of rows at a time keeps
    // this thread from waking, and taking a core from the workers, for every row.
    const unsigned batch = std::max(1u, (region.bottom - region.top) / 32);
    for (unsigned y = region.top; y < region.bottom && !Stopped(); ++y) {
        if (!queue.IsDone(y)) {
            queue.WaitFor(std::min(y + batch, region.bottom) - 1);
            if (!queue.WaitFor(y))
                break; // the workers stopped before this row
        }
        PaintFromImage(y, region.left, region.right);
        if (progress)
            progress->SetPos(static_cast<int>(100.0 * y / region.bottom));
    }
    threads.Join();
    return true;
}

void CRenderer::TracePart(CRegionQueue& queue, const Region& part, const Region& region,
                          const CCamera& camera, const DrawOffsets& offsets) {
    CRandom random;
    CRandom::Scope randomScope(random);
    for (unsigned y = part.top; y < part.bottom && !Stopped(); ++y) {
        SeekNoise(offsets, region, part.left, y);
        TraceSpan<false>(y, part.left, part.right, camera, [&](unsigned x, const CColour& colour) {
            StorePixel(static_cast<int>(x), static_cast<int>(y), colour);
        });
        queue.Post(CRegionQueue::Segment{y, part.left, part.right});
    }
    queue.WorkerFinished();
}

bool CRenderer::RenderParts(const CCamera& camera, const Region& region, CProgressBar* progress) {
    unsigned columns = m_parts >= 4 ? 2 : 1;
    unsigned middleY = region.top + (region.bottom - region.top) / 2;
    unsigned middleX = region.left + (region.right - region.left) / 2;
    std::vector<Region> parts;
    for (unsigned half = 0; half < 2; ++half) {
        unsigned top = half == 0 ? region.top : middleY;
        unsigned bottom = half == 0 ? middleY : region.bottom;
        for (unsigned column = 0; column < columns; ++column) {
            unsigned left = columns == 1 || column == 0 ? region.left : middleX;
            unsigned right = columns == 1 || column == 1 ? region.right : middleX;
            if (top < bottom && left < right)
                parts.push_back(Region{left, top, right, bottom});
        }
    }

    DrawOffsets offsets;
    if (m_scene->HasNoise() &&
        !CountDraws(camera, region, static_cast<unsigned>(parts.size()), offsets))
        return false;

    CRegionQueue queue;
    CWorkers threads;
    std::size_t segments = 0;
    for (const Region& part : parts) {
        queue.WorkerStarting();
        if (!threads.Start(MakeTracer(),
                           [&queue, part, &region, &camera, &offsets](CRenderer& tracer) {
                               tracer.TracePart(queue, part, region, camera, offsets);
                           })) {
            queue.WorkerFinished();
            break;
        }
        segments += part.bottom - part.top;
    }
    if (threads.Count() == 0)
        return false;
    if (threads.Count() < parts.size()) {
        // Too few threads for the split: what was started finishes, the rest goes serially
        // on the calling thread after it (the noise's sequence is seeked, so the order of the
        // parts does not matter).
        for (std::size_t i = threads.Count(); i < parts.size(); ++i) {
            const Region& part = parts[i];
            for (unsigned y = part.top; y < part.bottom && !Stopped(); ++y) {
                SeekNoise(offsets, region, part.left, y);
                TraceSpan<false>(y, part.left, part.right, camera,
                                 [&](unsigned x, const CColour& colour) {
                                     WritePixel(static_cast<int>(x), static_cast<int>(y), colour);
                                 });
            }
        }
    }

    std::size_t finished = 0;
    CRegionQueue::Segment segment{};
    while (queue.Take(segment)) {
        PaintFromImage(segment.y, segment.left, segment.right);
        ++finished;
        if (progress)
            progress->SetPos(static_cast<int>(100.0 * static_cast<double>(finished) /
                                              static_cast<double>(segments)));
    }
    threads.Join();
    return true;
}

void CRenderer::BuildPrimaryRay(int row, int column, CRay& ray, CCamera camera) {
    PrimaryRay(row, column, ray, camera);
}

void CRenderer::PrimaryRay(int row, int column, CRay& ray, const CCamera& camera) const {
    PrimaryRayAt(row, column, ray, camera);
}

void CRenderer::PrimaryRayPair(int row, int column, CRay (&rays)[2], const CCamera& camera) const {
    PrimaryRaysAt(row, column, static_cast<double>(column) + 1, rays, camera);
}

void CRenderer::PrimaryRaysAt(double row, double column0, double column1, CRay (&rays)[2],
                              const CCamera& camera) const {
#if defined(__SSE2__)
    // PrimaryRayAt's operations, the two points side by side in the lanes of SSE2 registers:
    // each lane rounds exactly as the scalar operation does.
    double w = m_width;
    double h = m_height;
    double u = (row - h / 2) / w;
    __m128d columns = _mm_set_pd(column1, column0);
    __m128d v = _mm_div_pd(_mm_sub_pd(columns, _mm_set1_pd(w / 2)), _mm_set1_pd(h));
    const CVector& look = camera.m_look;
    const CVector& up = camera.m_up;
    const CVector& right = camera.m_right;
    auto component = [&](double l, double p, double r) {
        __m128d base = _mm_set1_pd(l + p * u);
        return _mm_add_pd(base, _mm_mul_pd(_mm_set1_pd(r), v));
    };
    __m128d x = component(look.x, up.x, right.x);
    __m128d y = component(look.y, up.y, right.y);
    __m128d z = component(look.z, up.z, right.z);
    __m128d length =
        _mm_sqrt_pd(_mm_add_pd(_mm_add_pd(_mm_mul_pd(x, x), _mm_mul_pd(y, y)), _mm_mul_pd(z, z)));
    x = _mm_div_pd(x, length);
    y = _mm_div_pd(y, length);
    z = _mm_div_pd(z, length);
    double xs[2];
    double ys[2];
    double zs[2];
    _mm_storeu_pd(xs, x);
    _mm_storeu_pd(ys, y);
    _mm_storeu_pd(zs, z);
    for (int k = 0; k < 2; ++k) {
        rays[k].origin = camera.m_eye;
        rays[k].direction = CVector(xs[k], ys[k], zs[k]);
    }
#else
    PrimaryRayAt(row, column0, rays[0], camera);
    PrimaryRayAt(row, column1, rays[1], camera);
#endif
}

void CRenderer::PrimaryRayAt(double row, double column, CRay& ray, const CCamera& camera) const {
    double w = m_width;
    double h = m_height;
    double u = (row - h / 2) / w;
    double v = (column - w / 2) / h;

    // From the eye through (u, v) on the image plane; look + up u is summed first, and the
    // pictures depend on that rounding.
    ray.origin = camera.m_eye;
    ray.direction = ((camera.m_look + camera.m_up * u) + camera.m_right * v).Normalised();
}

bool CRenderer::Trace(CRay ray, CColour& colour) {
    return TraceRay<false>(ray, colour);
}

template <bool kCount> bool CRenderer::TraceRay(const CRay& ray, CColour& colour) {
    colour = m_background;
    if (m_depth > m_recursionLimit)
        return false;
    if (!m_document || m_document->m_objects.empty() || !m_scene)
        return false;

    // The nearest hit beyond the threshold; of two objects at the same distance the earlier
    // in the list.
    double nearest = 0.0;
    const CTraceScene::Surface* hit = m_scene->Nearest(ray, nearest);
    if (!hit)
        return false;

    CVector point(ray.origin.x + nearest * ray.direction.x,
                  ray.origin.y + nearest * ray.direction.y,
                  ray.origin.z + nearest * ray.direction.z);
    CVector normal = CTraceScene::NormalAt(*hit, point);
    // Face the normal back towards where the ray came from; exactly 0 leaves it as it is.
    if (normal.Dot(ray.direction) > 0)
        normal.Negate();

    ShadeSurface<kCount>(*hit, ray, normal, point, colour);
    return true;
}

void CRenderer::Shade(CSceneObject* object, CRay ray, CVector normal, CVector point,
                      CColour& colour) {
    ShadeSurface<false>(CTraceScene::Describe(object), ray, normal, point, colour);
}

template <bool kCount>
void CRenderer::ShadeSurface(const CTraceScene::Surface& surface, const CRay& ray, CVector normal,
                             const CVector& point, CColour& colour) {
    CSceneObject* object = surface.object;
    // The mirror image of the incoming direction about the surface.
    const CVector& d = ray.direction;
    CRay reflected(point, d - normal * (2 * d.Dot(normal)));

    // The noise texture draws fresh random numbers at every evaluation, and its pictures
    // depend on their order: its colour is evaluated anew for every channel of every term.
    // Any other colour of a sphere or a plane depends on the point alone: evaluated once.
    CColour once;
    if (!kCount && surface.colourOnce)
        once = object->ColourAt(point.x, point.y, point.z);
    auto colourAt = [&](Channel c) {
        return surface.colourOnce ? once.*c : object->ColourAt(point.x, point.y, point.z).*c;
    };
    // A noisy colour evaluated for the three channels, only counted.
    auto countColour = [&] {
        if (surface.noisy)
            m_draws += 3 * kNoiseDrawsPerColour;
    };

    // Ambient: the surface colour, whatever the lights.
    double ambient = surface.ambient;
    ChannelSums sums([&](Channel c) { return kCount ? 0.0 : ambient * colourAt(c); });
    if constexpr (kCount)
        countColour();

    if (!m_document)
        return;
    const std::vector<CLight*>& lights = m_document->m_lights;
    // Every entry but the last: the default light sits in the first two entries.
    for (std::size_t i = 0; i + 1 < lights.size(); ++i) {
        // The light that reaches the point; black from a missing entry or through a shadow.
        // Points reached through reflections are never shadowed.
        CRay shadowRay;
        CColour lit;
        if (CLight* light = lights[i]) {
            double distance = light->BuildShadowRay(point, shadowRay);
            std::uint32_t* hint = i < m_blockerHints.size() ? &m_blockerHints[i] : nullptr;
            if (m_depth != 0 || !m_scene->Blocks(shadowRay, distance, hint))
                lit = *light->GetColour();
            else
                lit = CColour(0.0f, 0.0f, 0.0f);
        }
        if (lit.redLevel != 0.0f || lit.greenLevel != 0.0f || lit.blueLevel != 0.0f) {
            const CVector& toLight = shadowRay.direction;

            // Diffuse: light × surface colour (a float product) × diffuse · (N·L)^brilliance.
            double n = normal.Dot(toLight);
            double diffuse = surface.diffuse;
            if (n > 0 && diffuse > 0) {
                if constexpr (kCount) {
                    countColour();
                } else {
                    double f = diffuse * std::pow(n, surface.brilliance);
                    sums.Add([&](Channel c) { return lit.*c * colourAt(c) * f; });
                }
            }

            // Normalised in place, once per lit light; the reflection below traces it too.
            reflected.direction.Normalise();

            // Highlight: the light's own colour × specular · (R·L)^roughness.
            if constexpr (!kCount) {
                double s = reflected.direction.Dot(toLight);
                double specular = surface.specular;
                if (s > 0 && specular > 0) {
                    double h = specular * std::pow(s, surface.roughness);
                    sums.Add([&](Channel c) { return lit.*c * h; });
                }
            }

            // Reflection: traced once for every light that reaches the point, so a point in
            // every light's shadow shows none and one lit by two shows it twice.
            double g = surface.reflection;
            if (g > 0) {
                ++m_depth;
                CColour mirrored;
                TraceRay<kCount>(reflected, mirrored);
                --m_depth;
                if constexpr (!kCount)
                    sums.Add([&](Channel c) { return mirrored.*c * g; });
            }
        }
        // Rebuilt after every entry: with no entry visited the colour stays the background.
        if constexpr (!kCount)
            colour = sums.Colour();
    }
}

void CRenderer::WritePixel(int x, int y, CColour colour) {
    if (CViewPort* view = ActiveView())
        view->SetPixel(x, y, colour.red, colour.green, colour.blue);
    StorePixel(x, y, colour);
}

void CRenderer::StorePixel(int x, int y, const CColour& colour) {
    if (!m_document)
        return;
    CImage& image = m_document->m_image;
    // A pixel outside the image is painted but not stored: writing it would corrupt memory.
    if (x < 0 || y < 0 || x >= image.GetWidth() || y >= image.GetHeight() || !image.HasPlanes())
        return;
    image.SetPixel(x, y, colour);
}
