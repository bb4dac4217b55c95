#pragma once

#include "core/Colour.h"
#include "core/Ray.h"
#include "core/Vector.h"
#include "render/RenderScene.h"
#include "render/TraceScene.h"

#include <cstdint>
#include <memory>
#include <vector>

class CSceneObject;

// The tracer and the shading model over one snapshot of a scene: what colour a ray sees.
// Const and free of shared state: any number of threads may trace through one tracer at once,
// each with shadow hints of its own.
class CTracer {
public:
    // The deepest reflection followed, whatever "MaxRecursion" asks for. Each level costs a
    // trace and a shading frame on the stack, so an unbounded limit (a stored -1 reads as
    // 4294967295) would overflow it; at 256 levels a reflected contribution has long been
    // invisible for any reflection weight below 1, and the stack stays far below even a small
    // thread's limit.
    static constexpr unsigned kMaxRecursionCap = 256;
    static unsigned CapRecursion(unsigned limit) {
        return limit > kMaxRecursionCap ? kMaxRecursionCap : limit;
    }

    // Per light, the sphere that last stood in a shadow ray's way (CTraceScene::Blocks): a
    // cache of one thread's traces that only makes them faster; stale ones cost one sphere
    // test.
    class ShadowHints {
    public:
        explicit ShadowHints(const CTracer& tracer) : m_blockers(tracer.m_lights.size(), 0) {}
        std::uint32_t* For(std::size_t light) {
            return light < m_blockers.size() ? &m_blockers[light] : nullptr;
        }

    private:
        std::vector<std::uint32_t> m_blockers;
    };

    // Prepares the snapshot for tracing (CTraceScene, with the hierarchy as asked), with the
    // reflection depth limited to maxRecursion (capped).
    CTracer(std::shared_ptr<const CRenderScene> scene, unsigned maxRecursion,
            CTraceScene::Hierarchy hierarchy = CTraceScene::Hierarchy::automatic);

    // The colour the ray sees from the reflection depth (0 for a primary ray): the nearest
    // object hit beyond kHitThreshold (of equal distances the earlier in the list), shaded; the
    // background when nothing is hit or the depth is past the recursion limit. True when an
    // object was hit.
    bool Trace(const CRay& ray, unsigned depth, CColour& colour, ShadowHints& hints) const;
    bool Trace(const CRay& ray, unsigned depth, CColour& colour) const;
    // Trace from depth 0, also giving the levels the colour was made from before its clamp:
    // the shading's sums (above 1 where lights and highlights add up, below 0 with a negative
    // finish), or the background's levels where nothing is shaded. The colour and the random
    // draws are Trace's.
    bool TraceLevels(const CRay& ray, CColour& colour, ColourLevels& levels,
                     ShadowHints& hints) const;

    // The colour at a hit: ambient, then for each light but the last entry of the light table
    // a diffuse term, a highlight and a reflection. The normal faces the incoming ray; shadows
    // are cast at depth 0 only. Leaves the colour as it came (the background) when no light
    // entry is visited.
    void Shade(CSceneObject* object, const CRay& ray, CVector normal, const CVector& point,
               unsigned depth, CColour& colour) const;

    // The noise texture's random draws that Trace would make for the ray, without shading:
    // the rays are followed and only the draws of each noisy colour evaluation are counted.
    std::uint64_t CountDraws(const CRay& ray, unsigned depth, ShadowHints& hints) const;

    unsigned GetRecursionLimit() const { return m_recursionLimit; }
    const CColour& GetBackground() const { return m_background; }
    const CTraceScene& GetTraceScene() const { return *m_trace; }
    const CRenderScene& GetScene() const { return *m_scene; }
    // Seconds the scene took to prepare, hierarchy included.
    double GetSceneSeconds() const { return m_sceneSeconds; }

private:
    // Trace and Shade, and with kCount their skeleton, which only follows the rays and adds
    // the random draws of each noisy colour evaluation to draws. With kLevels the levels the
    // colour is made from go to *levels as well.
    template <bool kCount, bool kLevels = false>
    bool TraceRay(const CRay& ray, unsigned depth, CColour& colour, ShadowHints& hints,
                  std::uint64_t& draws, ColourLevels* levels = nullptr) const;
    template <bool kCount, bool kLevels = false>
    void ShadeSurface(const CTraceScene::Surface& surface, const CRay& ray, CVector normal,
                      const CVector& point, unsigned depth, CColour& colour, ShadowHints& hints,
                      std::uint64_t& draws, ColourLevels* levels = nullptr) const;

    std::shared_ptr<const CRenderScene> m_scene;
    std::vector<CLight*> m_lights;
    CColour m_background;
    bool m_empty = true;
    unsigned m_recursionLimit = 0;
    std::shared_ptr<const CTraceScene> m_trace; // the scene's, shared by its renders
    double m_sceneSeconds = 0.0;
};
