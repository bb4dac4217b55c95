#include "render/Renderer.h"

#include "platform/MainWindow.h"
#include "platform/Platform.h"
#include "platform/ProgressBar.h"
#include "platform/SettingsStore.h"
#include "platform/ViewPort.h"
#include "render/RenderJob.h"
#include "scene/Light.h"
#include "scene/SceneObject.h"
#include "script/LumoDoc.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

// Hits at or below this distance belong to the surface the ray starts from.
constexpr double kHitThreshold = 0.001;
// The initial nearest distance: hits at or beyond it are ignored.
constexpr double kFarthestHit = 999999.99;

CViewPort* ActiveView() {
    CMainWindow* mainWindow = CPlatform::Current().GetMainWindow();
    return mainWindow ? mainWindow->GetActiveView() : nullptr;
}

bool Stopped() {
    return g_stopRendering.load(std::memory_order_relaxed) != 0;
}

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

    CVector right_(1.0, 0.0, 0.0);
    float aspect = static_cast<float>(m_width) / static_cast<float>(m_height);
    CVector up(0.0, aspect, 0.0);
    CCamera camera(document->GetLook(), document->GetEye(), right_, up);

    // The region is compared as unsigned numbers, and never reaches past the picture: a
    // region larger than the image would write outside it.
    unsigned regionLeft = static_cast<unsigned>(left);
    unsigned regionTop = static_cast<unsigned>(top);
    unsigned regionRight = std::min(static_cast<unsigned>(right), m_width);
    unsigned regionBottom = std::min(static_cast<unsigned>(bottom), m_height);

    for (unsigned y = regionTop; y < regionBottom && !Stopped(); ++y) {
        for (unsigned x = regionLeft; x < regionRight && !Stopped(); ++x) {
            m_depth = 0;
            CRay ray;
            BuildPrimaryRay(static_cast<int>(y), static_cast<int>(x), ray, camera);
            CColour colour;
            Trace(ray, colour);
            WritePixel(static_cast<int>(x), static_cast<int>(y), colour);
        }
        if (progress)
            progress->SetPos(static_cast<int>(100.0 * y / regionBottom));
    }

    document->m_imageComplete = 1;
    if (CViewPort* view = ActiveView())
        view->RepaintNow();
}

void CRenderer::BuildPrimaryRay(int row, int column, CRay& ray, CCamera camera) {
    double w = m_width;
    double h = m_height;
    double u = (row - h / 2) / w;
    double v = (column - w / 2) / h;

    CVector direction = camera.m_look;
    CVector up = camera.m_up;
    direction.Add(up.Scale(u));
    CVector right = camera.m_right;
    direction.Add(right.Scale(v));
    direction.Normalise();

    ray.origin = camera.m_eye;
    ray.direction = direction;
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
    // The mirror image of the incoming direction about the surface: D - 2 (D . N) N.
    CVector scaledNormal = normal;
    scaledNormal.Scale(2 * ray.direction.Dot(normal));
    CVector reflectedDirection = ray.direction;
    reflectedDirection.Subtract(scaledNormal);
    CRay reflected(point, reflectedDirection);

    // The surface colour is evaluated anew for every channel of every term: the noise
    // texture draws fresh random numbers each time, and its pictures depend on that order.
    double ambient = object->GetAmbient();
    double red = ambient * object->ColourAt(point.x, point.y, point.z).redLevel;
    double green = ambient * object->ColourAt(point.x, point.y, point.z).greenLevel;
    double blue = ambient * object->ColourAt(point.x, point.y, point.z).blueLevel;

    if (!m_document)
        return;
    const std::vector<CLight*>& lights = m_document->m_lights;
    // Every entry but the last: the default light sits in the first two entries.
    for (std::size_t i = 0; i + 1 < lights.size(); ++i) {
        CLight* light = lights[i];
        CColour lit;
        if (light) {
            CRay shadowRay;
            double distance = light->BuildShadowRay(point, shadowRay);
            lit = light->Illuminate(object, shadowRay, distance, m_document->m_objects, m_depth);

            if (lit.redLevel != 0.0f || lit.greenLevel != 0.0f || lit.blueLevel != 0.0f) {
                const CVector& toLight = shadowRay.direction;

                double n = normal.Dot(toLight);
                double diffuse = object->GetDiffuse();
                if (n > 0 && diffuse > 0) {
                    double f = diffuse * std::pow(n, object->GetBrilliance());
                    red += lit.redLevel * object->ColourAt(point.x, point.y, point.z).redLevel * f;
                    green +=
                        lit.greenLevel * object->ColourAt(point.x, point.y, point.z).greenLevel * f;
                    blue +=
                        lit.blueLevel * object->ColourAt(point.x, point.y, point.z).blueLevel * f;
                }

                // Normalised in place, once per lit light; the reflection below traces it too.
                reflected.direction.Normalise();
                double s = reflected.direction.Dot(toLight);
                double specular = object->GetSpecular();
                if (s > 0 && specular > 0) {
                    // The highlight has the light's colour, not the surface's.
                    double h = specular * std::pow(s, object->GetRoughness());
                    red += lit.redLevel * h;
                    green += lit.greenLevel * h;
                    blue += lit.blueLevel * h;
                }

                // Traced once for every light that reaches the point: a point in every
                // light's shadow shows no reflection, one lit by two shows it twice.
                double g = object->GetReflection();
                if (g > 0) {
                    ++m_depth;
                    CColour mirrored;
                    Trace(reflected, mirrored);
                    --m_depth;
                    red += mirrored.redLevel * g;
                    green += mirrored.greenLevel * g;
                    blue += mirrored.blueLevel * g;
                }
            }
        }
        // The sums themselves are never clamped; only the colour rebuilt from them is.
        colour =
            CColour(static_cast<float>(red), static_cast<float>(green), static_cast<float>(blue));
    }
}

void CRenderer::WritePixel(int x, int y, CColour colour) {
    if (CViewPort* view = ActiveView())
        view->SetPixel(x, y, colour.red, colour.green, colour.blue);
    if (!m_document)
        return;
    CImage& image = m_document->m_image;
    // A pixel outside the image is painted but not stored: writing it would corrupt memory.
    if (x < 0 || y < 0 || x >= image.GetWidth() || y >= image.GetHeight() || !image.HasPlanes())
        return;
    image.SetPixel(x, y, colour);
}
