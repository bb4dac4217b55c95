#include "render/Tracer.h"

#include "scene/Light.h"
#include "scene/SceneObject.h"
#include "scene/Thresholds.h"

#include <chrono>
#include <cmath>
#include <cstddef>

namespace {

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
    // What Colour is made from, before its clamp.
    ColourLevels Levels() const {
        return ColourLevels{static_cast<float>(m_red), static_cast<float>(m_green),
                            static_cast<float>(m_blue)};
    }

private:
    double m_red;
    double m_green;
    double m_blue;
};

} // namespace

CTracer::CTracer(std::shared_ptr<const CRenderScene> scene, unsigned maxRecursion,
                 CTraceScene::Hierarchy hierarchy)
    : m_scene(std::move(scene)), m_recursionLimit(CapRecursion(maxRecursion)) {
    auto start = std::chrono::steady_clock::now();
    m_lights = m_scene->Lights();
    m_background = m_scene->Background();
    m_empty = m_scene->Objects().empty();
    m_trace = m_scene->TraceScene(hierarchy);
    m_sceneSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool CTracer::Trace(const CRay& ray, unsigned depth, CColour& colour, ShadowHints& hints) const {
    std::uint64_t draws = 0;
    return TraceRay<false>(ray, depth, colour, hints, draws);
}

bool CTracer::Trace(const CRay& ray, unsigned depth, CColour& colour) const {
    ShadowHints hints(*this);
    return Trace(ray, depth, colour, hints);
}

bool CTracer::TraceLevels(const CRay& ray, CColour& colour, ColourLevels& levels,
                          ShadowHints& hints) const {
    std::uint64_t draws = 0;
    return TraceRay<false, true>(ray, 0, colour, hints, draws, &levels);
}

std::uint64_t CTracer::CountDraws(const CRay& ray, unsigned depth, ShadowHints& hints) const {
    std::uint64_t draws = 0;
    CColour ignored;
    TraceRay<true>(ray, depth, ignored, hints, draws);
    return draws;
}

void CTracer::Shade(CSceneObject* object, const CRay& ray, CVector normal, const CVector& point,
                    unsigned depth, CColour& colour) const {
    ShadowHints hints(*this);
    std::uint64_t draws = 0;
    ShadeSurface<false>(CTraceScene::Describe(object), ray, normal, point, depth, colour, hints,
                        draws);
}

template <bool kCount, bool kLevels>
bool CTracer::TraceRay(const CRay& ray, unsigned depth, CColour& colour, ShadowHints& hints,
                       std::uint64_t& draws, ColourLevels* levels) const {
    colour = m_background;
    if constexpr (kLevels)
        *levels = ColourLevels{colour.redLevel, colour.greenLevel, colour.blueLevel};
    if (depth > m_recursionLimit || m_empty)
        return false;

    // The nearest hit beyond the threshold; of two objects at the same distance the earlier
    // in the list.
    double nearest = 0.0;
    const CTraceScene::Surface* hit = m_trace->Nearest(ray, nearest);
    if (!hit)
        return false;

    CVector point(ray.origin.x + nearest * ray.direction.x,
                  ray.origin.y + nearest * ray.direction.y,
                  ray.origin.z + nearest * ray.direction.z);
    CVector normal = CTraceScene::NormalAt(*hit, point);
    // Face the normal back towards where the ray came from; exactly 0 leaves it as it is.
    if (normal.Dot(ray.direction) > 0)
        normal.Negate();

    ShadeSurface<kCount, kLevels>(*hit, ray, normal, point, depth, colour, hints, draws, levels);
    return true;
}

template <bool kCount, bool kLevels>
void CTracer::ShadeSurface(const CTraceScene::Surface& surface, const CRay& ray, CVector normal,
                           const CVector& point, unsigned depth, CColour& colour,
                           ShadowHints& hints, std::uint64_t& draws, ColourLevels* levels) const {
    CSceneObject* object = surface.object;
    // The mirror image of the incoming direction about the surface.
    const CVector& d = ray.direction;
    CRay reflected(point, d - normal * (2 * d.Dot(normal)));

    // The noise texture draws fresh random numbers at every evaluation, and its pictures
    // depend on their order: its colour is evaluated anew for every channel of every term.
    // Any other colour of a sphere or a plane of either kind depends on the point alone:
    // evaluated once.
    CColour once;
    if (!kCount && surface.colourOnce)
        once = object->ColourAt(point.x, point.y, point.z);
    auto colourAt = [&](Channel c) {
        return surface.colourOnce ? once.*c : object->ColourAt(point.x, point.y, point.z).*c;
    };
    // A noisy colour evaluated for the three channels, only counted.
    auto countColour = [&] {
        if (surface.noisy)
            draws += 3 * kNoiseDrawsPerColour;
    };

    // Ambient: the surface colour, whatever the lights.
    double ambient = surface.ambient;
    ChannelSums sums([&](Channel c) { return kCount ? 0.0 : ambient * colourAt(c); });
    if constexpr (kCount)
        countColour();

    // Every entry but the last: the default light sits in the first two entries.
    for (std::size_t i = 0; i + 1 < m_lights.size(); ++i) {
        // The light that reaches the point; black from a missing entry or through a shadow.
        // Points reached through reflections are never shadowed.
        CRay shadowRay;
        CColour lit;
        if (CLight* light = m_lights[i]) {
            double distance = light->BuildShadowRay(point, shadowRay);
            if (depth != 0 || !m_trace->Blocks(shadowRay, distance, hints.For(i)))
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
                CColour mirrored;
                TraceRay<kCount>(reflected, depth + 1, mirrored, hints, draws);
                if constexpr (!kCount)
                    sums.Add([&](Channel c) { return mirrored.*c * g; });
            }
        }
        // Rebuilt after every entry: with no entry visited the colour stays the background.
        if constexpr (!kCount)
            colour = sums.Colour();
        if constexpr (kLevels)
            *levels = sums.Levels();
    }
}
