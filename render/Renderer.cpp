#include "render/Renderer.h"

#include "platform/MainWindow.h"
#include "platform/Platform.h"
#include "platform/ProgressBar.h"
#include "platform/SettingsStore.h"
#include "platform/ViewPort.h"
#include "render/RowQueue.h"
#include "scene/Light.h"
#include "scene/SceneObject.h"
#include "scene/Thresholds.h"
#include "script/LumoDoc.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// The initial nearest distance: hits at or beyond it are ignored.
constexpr double kFarthestHit = 999999.99;

CViewPort* ActiveView() {
    CMainWindow* mainWindow = CPlatform::Current().GetMainWindow();
    return mainWindow ? mainWindow->GetActiveViewPort() : nullptr;
}

bool Stopped() {
    return g_stopRendering.load(std::memory_order_relaxed) != 0;
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

} // namespace

std::atomic<unsigned char> g_stopRendering{0};

void CRenderer::Attach(CLumoDoc* document) {
    m_document = document;
    if (document)
        m_background = document->m_background;
    // A negative stored value reads as a huge unsigned count and is capped like one.
    unsigned limit = m_recursionOverride ? *m_recursionOverride
                                         : static_cast<unsigned>(CSettingsStore::Profile().GetInt(
                                               CSettingsStore::kSection, "MaxRecursion", 0));
    m_recursionLimit = CapRecursion(limit);
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
    unsigned regionLeft = static_cast<unsigned>(left);
    unsigned regionTop = static_cast<unsigned>(top);
    unsigned regionRight = std::min(static_cast<unsigned>(right), m_width);
    unsigned regionBottom = std::min(static_cast<unsigned>(bottom), m_height);

    bool parallel =
        regionTop < regionBottom && regionLeft < regionRight && CanRenderInParallel(document) &&
        RenderParallel(camera, regionLeft, regionTop, regionRight, regionBottom, progress);
    if (!parallel)
        RenderSerial(camera, regionLeft, regionTop, regionRight, regionBottom, progress);

    document->m_imageComplete = 1;
    if (CViewPort* view = ActiveView())
        view->RepaintNow();
}

void CRenderer::RenderSerial(const CCamera& camera, unsigned left, unsigned top, unsigned right,
                             unsigned bottom, CProgressBar* progress) {
    for (unsigned y = top; y < bottom && !Stopped(); ++y) {
        for (unsigned x = left; x < right && !Stopped(); ++x)
            WritePixel(static_cast<int>(x), static_cast<int>(y), TracePixel(x, y, camera));
        if (progress)
            progress->SetPos(static_cast<int>(100.0 * y / bottom));
    }
}

CColour CRenderer::TracePixel(unsigned x, unsigned y, const CCamera& camera) {
    m_depth = 0;
    CRay ray;
    BuildPrimaryRay(static_cast<int>(y), static_cast<int>(x), ray, camera);
    CColour colour;
    Trace(ray, colour); // a ray that hits nothing leaves the background colour
    return colour;
}

bool CRenderer::CanRenderInParallel(const CLumoDoc* document) const {
    if (m_threads <= 1 || !document)
        return false;
    for (const auto& object : document->m_objects)
        if (object && (object->GetTextureFlags() & kTextureNoise))
            return false;
    return true;
}

void CRenderer::TraceRows(CRowQueue& queue, unsigned left, unsigned right, const CCamera& camera) {
    // No noise in a parallel scene, but no worker should ever draw from another's sequence.
    CRandom random;
    CRandom::Scope randomScope(random);
    unsigned y;
    while (!Stopped() && queue.Take(y)) {
        for (unsigned x = left; x < right && !Stopped(); ++x)
            StorePixel(static_cast<int>(x), static_cast<int>(y), TracePixel(x, y, camera));
        queue.MarkDone(y);
    }
    queue.WorkerFinished();
}

bool CRenderer::RenderParallel(const CCamera& camera, unsigned left, unsigned top, unsigned right,
                               unsigned bottom, CProgressBar* progress) {
    CRowQueue queue(top, bottom);

    // Each worker traces with a renderer of its own: the reflection depth is per trace.
    unsigned count = std::min(m_threads, bottom - top);
    std::vector<std::unique_ptr<CRenderer>> tracers;
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < count; ++i) {
        auto tracer = std::make_unique<CRenderer>();
        tracer->m_width = m_width;
        tracer->m_height = m_height;
        tracer->m_background = m_background;
        tracer->m_document = m_document;
        tracer->m_recursionLimit = m_recursionLimit;
        queue.WorkerStarting();
        try {
            threads.emplace_back(&CRenderer::TraceRows, tracer.get(), std::ref(queue), left, right,
                                 camera);
        } catch (const std::system_error&) {
            queue.WorkerFinished();
            break; // go on with the workers that did start
        }
        tracers.push_back(std::move(tracer));
    }
    if (threads.empty())
        return false;

    CViewPort* view = ActiveView();
    const CImage& image = m_document->m_image;
    for (unsigned y = top; y < bottom && !Stopped(); ++y) {
        if (!queue.WaitFor(y))
            break; // the workers stopped before this row
        if (view) {
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
        if (progress)
            progress->SetPos(static_cast<int>(100.0 * y / bottom));
    }
    for (std::thread& thread : threads)
        thread.join();
    return true;
}

void CRenderer::BuildPrimaryRay(int row, int column, CRay& ray, CCamera camera) {
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
    colour = m_background;
    if (m_depth > m_recursionLimit)
        return false;
    if (!m_document || m_document->m_objects.empty())
        return false;

    double nearest = kFarthestHit;
    CSceneObject* hit = nullptr;
    // Strictly nearer only: of two objects at the same distance the earlier one wins.
    for (const auto& object : m_document->m_objects) {
        if (!object)
            continue;
        double t = object->Intersect(ray);
        if (t > kHitThreshold && t < nearest) {
            nearest = t;
            hit = object.get();
        }
    }
    if (!hit)
        return false;

    CVector point(ray.origin.x + nearest * ray.direction.x,
                  ray.origin.y + nearest * ray.direction.y,
                  ray.origin.z + nearest * ray.direction.z);
    CVector normal = hit->NormalAt(point);
    // Face the normal back towards where the ray came from; exactly 0 leaves it as it is.
    if (normal.Dot(ray.direction) > 0)
        normal.Negate();

    Shade(hit, ray, normal, point, colour);
    return true;
}

void CRenderer::Shade(CSceneObject* object, CRay ray, CVector normal, CVector point,
                      CColour& colour) {
    // The mirror image of the incoming direction about the surface.
    const CVector& d = ray.direction;
    CRay reflected(point, d - normal * (2 * d.Dot(normal)));

    // The surface colour is evaluated anew for every channel of every term: the noise
    // texture draws fresh random numbers each time, and its pictures depend on that order.
    auto surface = [&](Channel c) { return object->ColourAt(point.x, point.y, point.z).*c; };

    // Ambient: the surface colour, whatever the lights.
    double ambient = object->GetAmbient();
    ChannelSums sums([&](Channel c) { return ambient * surface(c); });

    if (!m_document)
        return;
    const std::vector<CLight*>& lights = m_document->m_lights;
    // Every entry but the last: the default light sits in the first two entries.
    for (std::size_t i = 0; i + 1 < lights.size(); ++i) {
        // The light that reaches the point; black from a missing entry or through a shadow.
        CRay shadowRay;
        CColour lit;
        if (CLight* light = lights[i]) {
            double distance = light->BuildShadowRay(point, shadowRay);
            lit = light->Illuminate(object, shadowRay, distance, m_document->m_objects, m_depth);
        }
        if (lit.redLevel != 0.0f || lit.greenLevel != 0.0f || lit.blueLevel != 0.0f) {
            const CVector& toLight = shadowRay.direction;

            // Diffuse: light × surface colour (a float product) × diffuse · (N·L)^brilliance.
            double n = normal.Dot(toLight);
            double diffuse = object->GetDiffuse();
            if (n > 0 && diffuse > 0) {
                double f = diffuse * std::pow(n, object->GetBrilliance());
                sums.Add([&](Channel c) { return lit.*c * surface(c) * f; });
            }

            // Normalised in place, once per lit light; the reflection below traces it too.
            reflected.direction.Normalise();

            // Highlight: the light's own colour × specular · (R·L)^roughness.
            double s = reflected.direction.Dot(toLight);
            double specular = object->GetSpecular();
            if (s > 0 && specular > 0) {
                double h = specular * std::pow(s, object->GetRoughness());
                sums.Add([&](Channel c) { return lit.*c * h; });
            }

            // Reflection: traced once for every light that reaches the point, so a point in
            // every light's shadow shows none and one lit by two shows it twice.
            double g = object->GetReflection();
            if (g > 0) {
                ++m_depth;
                CColour mirrored;
                Trace(reflected, mirrored);
                --m_depth;
                sums.Add([&](Channel c) { return mirrored.*c * g; });
            }
        }
        // Rebuilt after every entry: with no entry visited the colour stays the background.
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
