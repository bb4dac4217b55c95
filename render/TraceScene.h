#pragma once

#include "core/Ray.h"
#include "core/Vector.h"
#include "render/SphereHierarchy.h"
#include "scene/SceneObject.h"

#include <cstdint>
#include <vector>

// The scene as the tracer reads it during one render, prepared once from the document's
// object list: each object's kind, finish and per-object constants (a sphere's centre and
// radius, a plane's unit normal and offset), so that no ray makes a virtual call where the
// kind is known, and the spheres in a bounding volume hierarchy when there are enough of them.
// Planes of both kinds, spheres that do not fit a hierarchy and objects of any other kind stay
// in a plain list, walked in list order.
//
// Every distance is the one the object's own Intersect gives (CSphere::Hit, CPlane::Hit,
// CWorldPlane::Hit, or the virtual call), and of equal distances the object earlier in the
// list wins, so the nearest hit and the shadow test are those of a walk of the whole list,
// whatever is built.
class CTraceScene {
public:
    enum class Hierarchy {
        off,       // every object in the plain list: the brute-force walk
        automatic, // a hierarchy when the scene has kHierarchyMinimum spheres or more
        always,    // a hierarchy whenever there is a sphere
    };
    static constexpr std::size_t kHierarchyMinimum = 16;

    // plane: eye-relative (CPlane); worldPlane: fixed in the world (CWorldPlane).
    enum class Kind : std::uint8_t { sphere, plane, worldPlane, other };

    // What shading reads of an object, taken once.
    struct Surface {
        CSceneObject* object = nullptr;
        Kind kind = Kind::other;
        // A sphere's or a plane's colour without noise depends on the point alone, so shading
        // evaluates it once per hit instead of once per channel and term.
        bool colourOnce = false;
        bool noisy = false;
        double ambient = 0.0;
        double diffuse = 0.0;
        double brilliance = 0.0;
        double specular = 0.0;
        double roughness = 0.0;
        double reflection = 0.0;
        CVector centre; // a sphere's
        CVector normal; // a plane's (either kind), not normalised, as its NormalAt gives it
    };

    // The surface of any object, read through its virtual operations.
    static Surface Describe(CSceneObject* object);

    void Build(const CObjectList& objects, Hierarchy hierarchy);

    // The object the ray hits first (null for none) and its distance.
    const Surface* Nearest(const CRay& ray, double& distance) const;
    // Whether any object lies strictly between the hit threshold and the distance. The hint
    // (see CSphereHierarchy::Blocks) only makes the answer faster to find.
    bool Blocks(const CRay& ray, double distance, std::uint32_t* hint = nullptr) const;
    // The object's normal at a point on it, as its NormalAt gives it.
    static CVector NormalAt(const Surface& surface, const CVector& point);

    bool HasNoise() const { return m_noisy; }
    // Whether the random draws of every pixel can be counted without drawing: every noisy
    // object is a sphere or a plane of either kind, whose NoiseColour draws
    // kNoiseDrawsPerColour numbers.
    bool CanCountDraws() const { return m_countable; }
    bool HasHierarchy() const { return m_hierarchy.Size() != 0; }

private:
    struct PlainEntry {
        std::uint32_t index;
        Kind kind;
        CVector normal;      // a plane's unit normal
        double offset = 0.0; // CPlane::m_offset, or CWorldPlane::UnitOffset
        CSphereHierarchy::Sphere sphere{};
    };
    double Hit(const PlainEntry& entry, const CRay& ray) const;

    std::vector<Surface> m_surfaces; // by place in the list
    // The plain list by kind, each in list order: the nearest hit does not depend on the order
    // of the tests (CNearestHit), and a loop over one kind needs no dispatch.
    std::vector<CSphereHierarchy::Sphere> m_plainSpheres;
    std::vector<PlainEntry> m_plain; // planes of both kinds and other kinds
    CSphereHierarchy m_hierarchy;
    bool m_noisy = false;
    bool m_countable = true;
};
