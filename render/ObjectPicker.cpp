#include "render/ObjectPicker.h"

#include "render/Render.h"
#include "render/TaskPool.h"

#include <atomic>

CObjectPicker::CObjectPicker(std::shared_ptr<const CRenderScene> scene, unsigned width,
                             unsigned height)
    : m_scene(scene), m_width(width), m_height(height), m_tracer(scene, 0),
      m_rays(width, height, RenderCamera(*scene, width, height)) {}

CRay CObjectPicker::RayAt(double x, double y) const {
    CRay ray;
    m_rays.At(y, x, ray);
    return ray;
}

std::size_t CObjectPicker::Pick(unsigned x, unsigned y, double* distance) const {
    if (x >= m_width || y >= m_height)
        return kNothing;
    CRay ray;
    m_rays.Ray(static_cast<int>(y), static_cast<int>(x), ray);
    double t = 0.0;
    const CTraceScene::Surface* hit = m_tracer.GetTraceScene().Nearest(ray, t);
    if (!hit)
        return kNothing;
    const CObjectList& objects = m_scene->Objects();
    for (std::size_t i = 0; i < objects.size(); ++i) {
        if (objects[i].get() == hit->object) {
            if (distance)
                *distance = t;
            return i;
        }
    }
    return kNothing;
}

std::vector<std::uint8_t> CObjectPicker::Coverage(std::size_t object, unsigned threads,
                                                  const std::stop_token& stop) const {
    std::vector<std::uint8_t> mask(std::size_t{m_width} * m_height, 0);
    const CObjectList& objects = m_scene->Objects();
    if (object >= objects.size())
        return mask;
    const CSceneObject* target = objects[object].get();
    const CTraceScene& trace = m_tracer.GetTraceScene();
    ParallelFor(m_height, threads, [&](std::size_t row) {
        if (stop.stop_requested())
            return;
        std::uint8_t* line = mask.data() + row * m_width;
        for (unsigned x = 0; x < m_width; ++x) {
            CRay ray;
            m_rays.Ray(static_cast<int>(row), static_cast<int>(x), ray);
            double t = 0.0;
            const CTraceScene::Surface* hit = trace.Nearest(ray, t);
            line[x] = hit && hit->object == target ? 1 : 0;
        }
    });
    if (stop.stop_requested())
        return {};
    return mask;
}
