#pragma once

#include "core/Ray.h"
#include "render/PrimaryRays.h"
#include "render/RenderScene.h"
#include "render/Tracer.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stop_token>
#include <vector>

// What the primary rays of a width × height picture of a scene meet: the object under a pixel
// (a click in the desktop's view), the pixels an object covers (its outline there). The rays
// are the render's own, so a pixel picks what it shows.
class CObjectPicker {
public:
    static constexpr std::size_t kNothing = ~std::size_t{0};

    CObjectPicker(std::shared_ptr<const CRenderScene> scene, unsigned width, unsigned height);

    // The place in the scene's object list of the nearest object the pixel's ray hits, or
    // kNothing (the background, or a pixel outside the picture); the distance along the ray
    // when given.
    std::size_t Pick(unsigned x, unsigned y, double* distance = nullptr) const;

    // One byte per pixel, row by row: 1 where the pixel's ray meets the object first. Empty
    // after a stop. Traced on up to `threads` threads.
    std::vector<std::uint8_t> Coverage(std::size_t object, unsigned threads,
                                       const std::stop_token& stop = {}) const;

    // The ray through the pixel's centre (the view's middle pixel looks along the look vector).
    CRay RayAt(double x, double y) const;

private:
    std::shared_ptr<const CRenderScene> m_scene;
    unsigned m_width;
    unsigned m_height;
    CTracer m_tracer;
    CPrimaryRays m_rays;
};
