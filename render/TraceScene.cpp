#include "render/TraceScene.h"

#include "scene/Plane.h"
#include "scene/Sphere.h"
#include "scene/Thresholds.h"
#include "scene/WorldPlane.h"

#include <typeinfo>

CTraceScene::Surface CTraceScene::Describe(CSceneObject* object) {
    Surface surface;
    surface.object = object;
    if (!object)
        return surface;
    // Only the kinds themselves: a class derived from them may compute anything.
    const std::type_info& type = typeid(*object);
    if (type == typeid(CSphere)) {
        surface.kind = Kind::sphere;
        surface.centre = static_cast<CSphere*>(object)->m_centre;
    } else if (type == typeid(CPlane)) {
        surface.kind = Kind::plane;
        surface.normal = static_cast<CPlane*>(object)->GetNormal();
    } else if (type == typeid(CWorldPlane)) {
        surface.kind = Kind::worldPlane;
        surface.normal = static_cast<CWorldPlane*>(object)->GetNormal();
    }
    surface.noisy = (object->GetTextureFlags() & kTextureNoise) != 0;
    surface.colourOnce = surface.kind != Kind::other && !surface.noisy;
    surface.ambient = object->GetAmbient();
    surface.diffuse = object->GetDiffuse();
    surface.brilliance = object->GetBrilliance();
    surface.specular = object->GetSpecular();
    surface.roughness = object->GetRoughness();
    surface.reflection = object->GetReflection();
    return surface;
}

void CTraceScene::Build(const CObjectList& objects, Hierarchy hierarchy) {
    m_surfaces.clear();
    m_plain.clear();
    m_plainSpheres.clear();
    m_noisy = false;
    m_countable = true;
    m_surfaces.reserve(objects.size());

    std::size_t sphereCount = 0;
    for (const auto& object : objects) {
        m_surfaces.push_back(Describe(object.get()));
        const Surface& surface = m_surfaces.back();
        if (surface.noisy) {
            m_noisy = true;
            m_countable = m_countable && surface.kind != Kind::other;
        }
        if (surface.kind == Kind::sphere)
            ++sphereCount;
    }
    bool useHierarchy = hierarchy == Hierarchy::always ||
                        (hierarchy == Hierarchy::automatic && sphereCount >= kHierarchyMinimum);

    std::vector<CSphereHierarchy::Sphere> spheres;
    if (useHierarchy)
        spheres.reserve(sphereCount);
    for (std::size_t i = 0; i < objects.size(); ++i) {
        CSceneObject* object = objects[i].get();
        if (!object)
            continue;
        PlainEntry entry{static_cast<std::uint32_t>(i), m_surfaces[i].kind, CVector(), 0.0, {}};
        if (entry.kind == Kind::sphere) {
            auto* sphere = static_cast<CSphere*>(object);
            entry.sphere =
                CSphereHierarchy::Sphere{sphere->m_centre.x, sphere->m_centre.y, sphere->m_centre.z,
                                         sphere->m_radius, entry.index};
            if (useHierarchy && CSphereHierarchy::Fits(entry.sphere))
                spheres.push_back(entry.sphere);
            else
                m_plainSpheres.push_back(entry.sphere);
            continue;
        } else if (entry.kind == Kind::plane) {
            auto* plane = static_cast<CPlane*>(object);
            entry.normal = plane->UnitNormal();
            entry.offset = plane->m_offset;
        } else if (entry.kind == Kind::worldPlane) {
            auto* plane = static_cast<CWorldPlane*>(object);
            entry.normal = plane->UnitNormal();
            entry.offset = plane->UnitOffset();
        }
        m_plain.push_back(entry);
    }
    m_hierarchy.Build(std::move(spheres));
}

double CTraceScene::Hit(const PlainEntry& entry, const CRay& ray) const {
    switch (entry.kind) {
    case Kind::sphere: {
        const CSphereHierarchy::Sphere& s = entry.sphere;
        return CSphere::Hit(s.cx, s.cy, s.cz, s.r, ray);
    }
    case Kind::plane:
        return CPlane::Hit(entry.normal, entry.offset, ray);
    case Kind::worldPlane:
        return CWorldPlane::Hit(entry.normal, entry.offset, ray);
    case Kind::other:
        break;
    }
    return m_surfaces[entry.index].object->Intersect(ray);
}

const CTraceScene::Surface* CTraceScene::Nearest(const CRay& ray, double& distance) const {
    CNearestHit nearest;
    // Only a scene with a hierarchy pays for the call (and its stack).
    if (m_hierarchy.Size() != 0)
        m_hierarchy.Nearest(ray, nearest);
    for (const CSphereHierarchy::Sphere& s : m_plainSpheres)
        nearest.Offer(CSphere::Hit(s.cx, s.cy, s.cz, s.r, ray), s.index);
    for (const PlainEntry& entry : m_plain)
        nearest.Offer(Hit(entry, ray), entry.index);
    if (!nearest.Found())
        return nullptr;
    distance = nearest.Distance();
    return &m_surfaces[nearest.Index()];
}

bool CTraceScene::Blocks(const CRay& ray, double distance, std::uint32_t* hint) const {
    for (const CSphereHierarchy::Sphere& s : m_plainSpheres) {
        double t = CSphere::Hit(s.cx, s.cy, s.cz, s.r, ray);
        if (t > kHitThreshold && t < distance)
            return true;
    }
    for (const PlainEntry& entry : m_plain) {
        double t = Hit(entry, ray);
        if (t > kHitThreshold && t < distance)
            return true;
    }
    return m_hierarchy.Size() != 0 && m_hierarchy.Blocks(ray, distance, hint);
}

CVector CTraceScene::NormalAt(const Surface& surface, const CVector& point) {
    switch (surface.kind) {
    case Kind::sphere:
        return CSphere::Normal(surface.centre, point);
    case Kind::plane:
    case Kind::worldPlane:
        return surface.normal;
    case Kind::other:
        break;
    }
    return surface.object->NormalAt(point);
}
