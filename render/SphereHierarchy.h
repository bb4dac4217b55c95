#pragma once

#include "core/Ray.h"
#include "render/NearestHit.h"

#include <cstdint>
#include <vector>

// A bounding volume hierarchy over the spheres of a scene, built once per render.
//
// The build is a binned surface-area-heuristic split (16 bins along the widest axis of the
// centres): it gives trees close to the best sweep builds for the price of a few passes over
// the spheres per level, so a million spheres build in a fraction of a second, and the two
// halves of the top levels build on two threads.
//
// Every sphere test is CSphere::Hit, the sphere's own calculation, so the distances are the
// brute-force ones bit for bit; the tree only decides which spheres are tested. It must never
// skip a sphere whose computed distance would win. Each box holds its spheres padded and
// rounded outwards to floats, and a node is skipped only when the ray's slab interval misses
// its box or starts beyond the nearest hit (or the shadow distance) plus kSlack. That is safe
// while the rounding of the sphere's quadratic stays far below both: for a unit direction
// (|d|² within 1e-14 of 1) and origin-to-sphere distances up to kReach, the discriminant's
// error is below 1e-5 (of the 0.001 a hit must exceed), so a sphere reported hit is truly met
// by the ray's line inside its box, and its distance is off by less than 1e-3, a tenth of
// kSlack. Rays
// outside those bounds (a far origin, a zero or non-finite direction) and spheres beyond
// kExtent from the origin are tested by brute force.
class CSphereHierarchy {
public:
    // A sphere as the tracer keeps it: centre and radius as the sphere holds them (the radius
    // is a float, widened exactly where it is used), and its place in the scene's list. Two
    // fit in a cache line.
    struct Sphere {
        double cx;
        double cy;
        double cz;
        float r;
        std::uint32_t index;
    };
    static_assert(sizeof(Sphere) == 32);

    static constexpr double kReach = 16384.0;
    static constexpr double kExtent = 4096.0;
    static constexpr double kSlack = 0.01;

    // Whether the sphere may go into a hierarchy: finite, and all of it within kExtent.
    static bool Fits(const Sphere& sphere);

    // Builds the tree over the spheres, which must all fit.
    void Build(std::vector<Sphere> spheres);
    std::size_t Size() const { return m_spheres.size(); }

    // Offers every sphere the ray hits (at least every one that could win) to the nearest hit.
    void Nearest(const CRay& ray, CNearestHit& nearest) const;
    // Whether some sphere is hit strictly between the hit threshold and the distance. A hint,
    // when given, keeps the last sphere found in the way (0 for none) and is tried first: the
    // next shadow ray toward the same light is often blocked by the same sphere.
    bool Blocks(const CRay& ray, double distance, std::uint32_t* hint = nullptr) const;

private:
    struct Node {
        float lo[3];
        float hi[3];
        std::uint32_t first; // a leaf's first sphere; an inner node's second child
        std::uint32_t count; // spheres in a leaf; 0 for an inner node (first child follows it)
    };
    // An inner node as the traversal reads it: the tree's binary nodes gathered by twos and
    // fours, the boxes of up to four children side by side, so that two SIMD slab tests take
    // them all. A child is another node (count kInner) or a leaf of count spheres from first;
    // an unused place is an empty leaf whose box no ray within reach can enter.
    static constexpr std::uint32_t kInner = 0xFFFFFFFFu;
    struct Quad {
        float lo[3][4]; // [axis][child]
        float hi[3][4];
        std::uint32_t first[4];
        std::uint32_t count[4];
    };
    struct Child {
        std::uint32_t first;
        std::uint32_t count;
    };
    struct Reference;
    struct Bounds;

    bool Covers(const CRay& ray) const;
    template <class BinOf>
    static void BinBounds(const std::vector<Reference>& refs, std::uint32_t begin,
                          std::uint32_t end, BinOf binOf, Bounds* bins, std::uint32_t* counts);
    static Bounds Measure(const std::vector<Reference>& refs, std::uint32_t begin,
                          std::uint32_t end);
    std::uint32_t BuildNode(std::vector<Reference>& refs, std::uint32_t begin, std::uint32_t end,
                            const Bounds& bounds, std::vector<Node>& nodes, unsigned depth);
    Child Flatten(const std::vector<Node>& nodes, std::uint32_t node);

    std::vector<Quad> m_quads;
    Child m_root{0, 0}; // a leaf when the whole tree is one
    std::vector<Sphere> m_spheres;
    double m_centre[3] = {0.0, 0.0, 0.0}; // of the spheres' bounds
    double m_radius = 0.0;                // of a ball about m_centre around every sphere
};
