#pragma once

#include "core/Ray.h"
#include "render/NearestHit.h"
#include "scene/Sphere.h"
#include "scene/Thresholds.h"

#include <cstdint>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

    // Calls visit(t, sphere) for every sphere of spheres[0, count) that the ray hits, in order,
    // with the distance CSphere::Hit gives (a miss, 0, is not visited); stops, returning true,
    // as soon as visit returns true. With SSE2 two spheres are taken at once, each lane in
    // CSphere::Hit's operations and order, so every distance has the same bits.
    template <class Visit>
    static bool VisitHits(const Sphere* spheres, std::size_t count, const CRay& ray, Visit visit);

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
    void Prefetch(const Child& child) const;

    std::vector<Quad> m_quads;
    Child m_root{0, 0}; // a leaf when the whole tree is one
    std::vector<Sphere> m_spheres;
    double m_centre[3] = {0.0, 0.0, 0.0}; // of the spheres' bounds
    double m_radius = 0.0;                // of a ball about m_centre around every sphere
};

template <class Visit>
bool CSphereHierarchy::VisitHits(const Sphere* spheres, std::size_t count, const CRay& ray,
                                 Visit visit) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128d ox = _mm_set1_pd(ray.origin.x);
    const __m128d oy = _mm_set1_pd(ray.origin.y);
    const __m128d oz = _mm_set1_pd(ray.origin.z);
    const __m128d dx = _mm_set1_pd(ray.direction.x);
    const __m128d dy = _mm_set1_pd(ray.direction.y);
    const __m128d dz = _mm_set1_pd(ray.direction.z);
    for (; i + 1 < count; i += 2) {
        const Sphere& s0 = spheres[i];
        const Sphere& s1 = spheres[i + 1];
        __m128d x = _mm_sub_pd(ox, _mm_set_pd(s1.cx, s0.cx));
        __m128d y = _mm_sub_pd(oy, _mm_set_pd(s1.cy, s0.cy));
        __m128d z = _mm_sub_pd(oz, _mm_set_pd(s1.cz, s0.cz));
        __m128d r = _mm_set_pd(static_cast<double>(s1.r), static_cast<double>(s0.r));
        __m128d dot =
            _mm_add_pd(_mm_add_pd(_mm_mul_pd(x, dx), _mm_mul_pd(y, dy)), _mm_mul_pd(z, dz));
        __m128d b = _mm_mul_pd(_mm_set1_pd(2.0), dot);
        __m128d c =
            _mm_sub_pd(_mm_add_pd(_mm_add_pd(_mm_mul_pd(x, x), _mm_mul_pd(y, y)), _mm_mul_pd(z, z)),
                       _mm_mul_pd(r, r));
        __m128d disc = _mm_sub_pd(_mm_mul_pd(b, b), _mm_mul_pd(_mm_set1_pd(4.0), c));
        // A grazing ray (or a NaN) is a miss in both.
        int met = _mm_movemask_pd(_mm_cmpgt_pd(disc, _mm_set1_pd(kGrazingDiscriminant)));
        if (met == 0)
            continue;
        __m128d root = _mm_sqrt_pd(disc);
        __m128d minusB = _mm_xor_pd(b, _mm_set1_pd(-0.0));
        double near[2];
        double far[2];
        _mm_storeu_pd(near, _mm_mul_pd(_mm_sub_pd(minusB, root), _mm_set1_pd(0.5)));
        _mm_storeu_pd(far, _mm_mul_pd(_mm_add_pd(minusB, root), _mm_set1_pd(0.5)));
        for (int k = 0; k < 2; ++k) {
            if (!(met & (1 << k)))
                continue;
            double t = near[k] > kHitThreshold ? near[k] : far[k] > kHitThreshold ? far[k] : 0.0;
            if (t != 0.0 && visit(t, spheres[i + static_cast<std::size_t>(k)]))
                return true;
        }
    }
#endif
    for (; i < count; ++i) {
        const Sphere& s = spheres[i];
        double t = CSphere::Hit(s.cx, s.cy, s.cz, s.r, ray);
        if (t != 0.0 && visit(t, s))
            return true;
    }
    return false;
}
