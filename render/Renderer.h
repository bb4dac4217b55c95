#pragma once

#include "core/Colour.h"
#include "core/Random.h"
#include "core/Ray.h"
#include "core/Vector.h"
#include "render/Camera.h"
#include "render/TraceScene.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

class CLumoDoc;
class CProgressBar;
class CRegionQueue;
class CRowQueue;
class CSceneObject;

// One render: the tracer (Trace), the shading model (Shade) and the render driver (Render,
// BuildPrimaryRay, WritePixel). A renderer lives for one render of one document.
class CRenderer {
public:
    // The deepest reflection followed, whatever "MaxRecursion" asks for. Each level costs a
    // Trace and a Shade frame on the stack, so an unbounded limit (a stored -1 reads as
    // 4294967295) would overflow it; at 256 levels a reflected contribution has long been
    // invisible for any reflection weight below 1, and the stack stays far below even a small
    // thread's limit.
    static constexpr unsigned kMaxRecursionCap = 256;

    CRenderer() = default;
    CRenderer(const CRenderer&) = delete;
    CRenderer& operator=(const CRenderer&) = delete;
    virtual ~CRenderer() = default;

    // Traces every pixel of the region (clipped to the width × height picture) row by row
    // from the top, paints each on the active view and stores it in the document's image,
    // moves the progress bar after each row, then marks the image complete and repaints the
    // view. A stop requested through the token given to SetStopToken ends the loops before
    // the next row or pixel; the image is still marked complete.
    void Render(CLumoDoc* document, unsigned width, unsigned height, int left, int top, int right,
                int bottom, CProgressBar* progress);

    // The ray from the eye through the pixel (row, column): row 0 is the top, and one pixel
    // spans 1/height of a unit on the image plane, which lies the look vector away from the eye.
    void BuildPrimaryRay(int row, int column, CRay& ray, CCamera camera);
    // The rays of pixels (row, column) and (row, column + 1) at once: BuildPrimaryRay's bits.
    void PrimaryRayPair(int row, int column, CRay (&rays)[2], const CCamera& camera) const;

    // The colour the ray sees: the nearest object hit beyond kHitThreshold (of equal distances
    // the earlier in the list), shaded; the background when nothing is hit or the reflection
    // depth is past the recursion limit. True when an object was hit.
    bool Trace(CRay ray, CColour& colour);

    // The colour at a hit: ambient, then for each light but the last entry of the light table
    // a diffuse term, a highlight and a reflection. The normal faces the incoming ray. Leaves
    // the colour as it came (the background) when no light entry is visited.
    void Shade(CSceneObject* object, CRay ray, CVector normal, CVector point, CColour& colour);

    // Paints the pixel on the active view and stores it in the document's image.
    void WritePixel(int x, int y, CColour colour);

    // Makes the renderer trace the document without rendering a picture: stores it, copies
    // its background, reads the recursion limit and prepares the scene for tracing (see
    // CTraceScene). Render does this itself. The object list must not change until the next
    // Attach.
    void Attach(CLumoDoc* document);

    // A limit to use instead of the profile's "MaxRecursion" (nullopt: the profile's again).
    // Takes effect at the next Attach or Render; capped like the stored value.
    void SetMaxRecursionOverride(std::optional<unsigned> limit) { m_recursionOverride = limit; }
    // The limit in force since the last Attach or Render.
    unsigned GetRecursionLimit() const { return m_recursionLimit; }
    static unsigned CapRecursion(unsigned limit) {
        return limit > kMaxRecursionCap ? kMaxRecursionCap : limit;
    }

    // Threads that trace the rows of the next Render (0 and 1: the calling thread alone). The
    // picture is the same byte for byte. The noise texture draws from one random sequence in
    // pixel order: for a noisy scene a first parallel pass counts the draws of every pixel
    // (they depend on the geometry alone), and each row then starts with the sequence moved
    // on to its place (CRandom::Skip).
    void SetThreads(unsigned threads) { m_threads = threads; }
    // Whether Render would trace the document's scene on several threads: noise on an object
    // of another kind than a sphere or a plane keeps it on the calling thread.
    bool CanRenderInParallel(const CLumoDoc* document) const;

    // The picture split into parts, each traced on a thread of its own whatever SetThreads
    // says, for the desktop's "Split view render per thread" (2: the top and bottom halves)
    // and "Quarter view render per thread" (4: the four quarters, two by two). 0 (the
    // default) and 1 share the rows out as SetThreads says; 3 counts as 2, more than 4 as 4.
    //
    // Render then blocks the calling thread as ever, and there paints each row of a part on
    // the active view as soon as its worker finishes it (so the parts build up side by side,
    // each from its top), and moves the progress bar after each such row to
    // trunc(100 × rows finished / rows of all parts), 100 at the end. The picture in the
    // image is byte for byte the serial one, noise included; the view shows the same.
    void SetParts(unsigned parts) { m_parts = parts; }
    // Samples per side of a pixel for the next Render: n x n rays on a regular grid inside each
    // pixel, their colours averaged before quantising. 0 and 1 trace one ray per pixel, the
    // picture of every render before this option; at most kMaxAntialias.
    static constexpr unsigned kMaxAntialias = 16;
    void SetAntialias(unsigned samples) {
        m_antialias = samples > kMaxAntialias ? kMaxAntialias : samples;
    }

    // The stop request of this render, tested before every row and every pixel by this
    // renderer and its workers. The default token never stops.
    void SetStopToken(std::stop_token stop) { m_stop = std::move(stop); }

    // Whether the next Attach or Render builds a bounding volume hierarchy over the spheres
    // (CTraceScene::Hierarchy). The pictures are the same either way.
    void SetHierarchy(CTraceScene::Hierarchy hierarchy) { m_hierarchy = hierarchy; }

    // Seconds the last Attach (or Render) took to prepare the scene, hierarchy included.
    double GetSceneSeconds() const { return m_sceneSeconds; }

    unsigned m_height = 0;
    unsigned m_width = 0;
    unsigned m_depth = 0; // reflection depth of the trace in progress, 0 for a primary ray
    CColour m_background;
    CLumoDoc* m_document = nullptr;

private:
    struct Region {
        unsigned left;
        unsigned top;
        unsigned right;
        unsigned bottom;
    };
    // Where in the noise's random sequence each pixel of a region starts, for the parallel
    // loops; empty for a scene without noise.
    struct DrawOffsets {
        std::vector<std::uint32_t> pixelDraws; // row by row
        std::vector<std::uint64_t> rowStarts;  // draws before each row of the region
    };

    void RenderSerial(const CCamera& camera, const Region& region, CProgressBar* progress);
    // False when no worker thread could be started (nothing has been traced then).
    bool RenderParallel(const CCamera& camera, const Region& region, CProgressBar* progress);
    bool RenderParts(const CCamera& camera, const Region& region, CProgressBar* progress);
    // Counts the draws of every pixel of the region on the workers; false when none started.
    bool CountDraws(const CCamera& camera, const Region& region, unsigned workers,
                    DrawOffsets& offsets);
    // A renderer for a worker thread: this one's settings and prepared scene.
    std::unique_ptr<CRenderer> MakeTracer() const;
    // Moves the calling thread's random sequence to the pixel's place in it.
    static void SeekNoise(const DrawOffsets& offsets, const Region& region, unsigned x, unsigned y);

    void TraceRows(CRowQueue& queue, const Region& region, const CCamera& camera,
                   const DrawOffsets& offsets);
    void CountRows(CRowQueue& queue, const Region& region, const CCamera& camera,
                   DrawOffsets& offsets);
    void TracePart(CRegionQueue& queue, const Region& part, const Region& region,
                   const CCamera& camera, const DrawOffsets& offsets);
    // BuildPrimaryRay without a copy of the camera; At takes any point of the picture (a whole
    // row and column give exactly the ray of that pixel).
    void PrimaryRay(int row, int column, CRay& ray, const CCamera& camera) const;
    void PrimaryRayAt(double row, double column, CRay& ray, const CCamera& camera) const;
    // PrimaryRayAt for two points of one row at once, in the lanes of SSE2 registers.
    void PrimaryRaysAt(double row, double column0, double column1, CRay (&rays)[2],
                       const CCamera& camera) const;
    // The averaged colour of the pixel's antialiasing samples (with kCount: only their draws).
    template <bool kCount> CColour SamplePixel(unsigned x, unsigned y, const CCamera& camera);
    // Traces the pixels [left, right) of row y in order until a stop, each from depth 0,
    // handing each colour to put(x, colour) (with kCount: only counting its draws); the primary
    // rays of neighbouring pixels are made two at a time.
    template <bool kCount, class Put>
    void TraceSpan(unsigned y, unsigned left, unsigned right, const CCamera& camera, Put put);

    bool Stopped() const { return m_stop.stop_requested(); }

    // Stores the pixel in the image only; the calling thread paints it on the view.
    void StorePixel(int x, int y, const CColour& colour);
    // Paints a row segment on the view from the image.
    void PaintFromImage(unsigned y, unsigned left, unsigned right);

    // Trace and Shade, and with kCount their skeleton, which only follows the rays and adds
    // the random draws of each noisy colour evaluation to m_draws.
    template <bool kCount> bool TraceRay(const CRay& ray, CColour& colour);
    template <bool kCount>
    void ShadeSurface(const CTraceScene::Surface& surface, const CRay& ray, CVector normal,
                      const CVector& point, CColour& colour);

    // "MaxRecursion" is read once per render rather than at every trace: the settings cannot
    // change while a render runs, so the pictures are the same and no trace touches a file.
    unsigned m_recursionLimit = 0;
    std::optional<unsigned> m_recursionOverride;
    // The noise texture's random sequence, fresh for every render so that every render of a
    // scene gives the same picture.
    CRandom m_random;
    unsigned m_threads = 1;
    unsigned m_parts = 0;
    unsigned m_antialias = 1;
    CTraceScene::Hierarchy m_hierarchy = CTraceScene::Hierarchy::automatic;
    std::stop_token m_stop;
    // Shared read-only with the workers of a parallel render.
    std::shared_ptr<const CTraceScene> m_scene;
    double m_sceneSeconds = 0.0;
    std::uint64_t m_draws = 0; // counted by the kCount traces
    // Per light, the sphere that last stood in a shadow ray's way (CTraceScene::Blocks): a hint
    // of this tracer's own, sized for the document's lights when the scene is prepared; stale
    // ones cost one sphere test.
    std::vector<std::uint32_t> m_blockerHints;
};
