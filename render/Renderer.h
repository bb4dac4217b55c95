#pragma once

#include "core/Colour.h"
#include "core/Random.h"
#include "core/Ray.h"
#include "core/Vector.h"
#include "render/Camera.h"

#include <atomic>
#include <optional>

class CLumoDoc;
class CProgressBar;
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
    // view. g_stopRendering ends the loops early; the image is still marked complete.
    void Render(CLumoDoc* document, unsigned width, unsigned height, int left, int top, int right,
                int bottom, CProgressBar* progress);

    // The ray from the eye through the pixel (row, column): row 0 is the top, and one pixel
    // spans 1/height of a unit on the image plane, which lies the look vector away from the eye.
    void BuildPrimaryRay(int row, int column, CRay& ray, CCamera camera);

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
    // its background and reads the recursion limit. Render does this itself.
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
    // picture is the same byte for byte. Scenes with a noise-textured object always render on
    // the calling thread: the noise draws from one random sequence in pixel order.
    void SetThreads(unsigned threads) { m_threads = threads; }
    // Whether Render would trace the document's scene on several threads.
    bool CanRenderInParallel(const CLumoDoc* document) const;

    unsigned m_height = 0;
    unsigned m_width = 0;
    unsigned m_depth = 0; // reflection depth of the trace in progress, 0 for a primary ray
    CColour m_background;
    CLumoDoc* m_document = nullptr;

private:
    void RenderSerial(const CCamera& camera, unsigned left, unsigned top, unsigned right,
                      unsigned bottom, CProgressBar* progress);
    // False when no worker thread could be started (nothing has been traced then).
    bool RenderParallel(const CCamera& camera, unsigned left, unsigned top, unsigned right,
                        unsigned bottom, CProgressBar* progress);
    void TraceRows(CRowQueue& queue, unsigned left, unsigned right, const CCamera& camera);
    // The colour of the pixel's primary ray, traced from depth 0.
    CColour TracePixel(unsigned x, unsigned y, const CCamera& camera);
    // Stores the pixel in the image only; the calling thread paints it on the view.
    void StorePixel(int x, int y, const CColour& colour);

    // "MaxRecursion" is read once per render rather than at every trace: the settings cannot
    // change while a render runs, so the pictures are the same and no trace touches a file.
    unsigned m_recursionLimit = 0;
    std::optional<unsigned> m_recursionOverride;
    // The noise texture's random sequence, fresh for every render so that every render of a
    // scene gives the same picture.
    CRandom m_random;
    unsigned m_threads = 1;
};

// The render loops' stop request, tested before every row and every pixel. Set once the view
// is gone and never cleared.
extern std::atomic<unsigned char> g_stopRendering;
