#include "render/SphereHierarchy.h"

#include "render/TaskPool.h"
#include "scene/Sphere.h"
#include "scene/Thresholds.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr unsigned kBins = 16;
constexpr std::uint32_t kMaxLeaf = 8;
constexpr unsigned kMaxDepth = 60;
// The deepest stack a traversal needs: a four-way node leaves at most three children
// waiting, and a path down the tree meets at most one node per level of the binary tree.
constexpr unsigned kStackSize = 3 * kMaxDepth + 4;
// Subtrees with more spheres than this build on a thread of their own near the top.
constexpr std::uint32_t kParallelBuild = 200000;

float FloatBelow(double v) {
    float f = static_cast<float>(v);
    return static_cast<double>(f) <= v ? f : std::nextafter(f, -std::numeric_limits<float>::max());
}
float FloatAbove(double v) {
    float f = static_cast<float>(v);
    return static_cast<double>(f) >= v ? f : std::nextafter(f, std::numeric_limits<float>::max());
}

struct Box {
    float lo[3] = {std::numeric_limits<float>::max(), std::numeric_limits<float>::max(),
                   std::numeric_limits<float>::max()};
    float hi[3] = {-std::numeric_limits<float>::max(), -std::numeric_limits<float>::max(),
                   -std::numeric_limits<float>::max()};

    void Grow(const float* l, const float* h) {
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], l[a]);
            hi[a] = std::max(hi[a], h[a]);
        }
    }
    void Grow(const Box& b) { Grow(b.lo, b.hi); }
    double HalfArea() const {
        if (lo[0] > hi[0])
            return 0.0;
        double x = static_cast<double>(hi[0]) - lo[0];
        double y = static_cast<double>(hi[1]) - lo[1];
        double z = static_cast<double>(hi[2]) - lo[2];
        return x * y + y * z + z * x;
    }
};

// The ray's slab intervals through the two boxes of a pair: each child's entry, or +infinity
// when the ray misses that box or leaves it behind the origin. A direction component too small
// to invert (zero or subnormal) divides as a tiny one of the same sign instead, so that every
// slab distance is finite or infinite, never a NaN: the interval can only widen. Both boxes
// are taken at once with SSE2, in the same double operations as one box at a time.
// The box of an unused place in a four-way node: a point far beyond any ray's reach.
constexpr float kNowhere = 1e30f;

struct SlabRay {
    double o[3];
    double inv[3];

    explicit SlabRay(const CRay& ray) {
        const double d[3] = {ray.direction.x, ray.direction.y, ray.direction.z};
        o[0] = ray.origin.x;
        o[1] = ray.origin.y;
        o[2] = ray.origin.z;
        for (int a = 0; a < 3; ++a)
            inv[a] = 1.0 / (std::fabs(d[a]) < 1e-300 ? std::copysign(1e-300, d[a]) : d[a]);
    }

    // The entries into children c and c + 1 of a four-way node.
    void Entries(const float (&lo)[3][4], const float (&hi)[3][4], int c, double& first,
                 double& second) const {
        constexpr double kInfinity = std::numeric_limits<double>::infinity();
#if defined(__SSE2__)
        __m128d entry = _mm_set1_pd(-kInfinity);
        __m128d exit = _mm_set1_pd(kInfinity);
        for (int a = 0; a < 3; ++a) {
            __m128d origin = _mm_set1_pd(o[a]);
            __m128d scale = _mm_set1_pd(inv[a]);
            __m128d l = _mm_cvtps_pd(
                _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(lo[a] + c))));
            __m128d h = _mm_cvtps_pd(
                _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(hi[a] + c))));
            __m128d t0 = _mm_mul_pd(_mm_sub_pd(l, origin), scale);
            __m128d t1 = _mm_mul_pd(_mm_sub_pd(h, origin), scale);
            entry = _mm_max_pd(entry, _mm_min_pd(t0, t1));
            exit = _mm_min_pd(exit, _mm_max_pd(t0, t1));
        }
        __m128d miss = _mm_or_pd(_mm_cmplt_pd(exit, _mm_setzero_pd()), _mm_cmpgt_pd(entry, exit));
        __m128d result =
            _mm_or_pd(_mm_and_pd(miss, _mm_set1_pd(kInfinity)), _mm_andnot_pd(miss, entry));
        first = _mm_cvtsd_f64(result);
        second = _mm_cvtsd_f64(_mm_unpackhi_pd(result, result));
#else
        double entries[2];
        for (int k = 0; k < 2; ++k) {
            double entry = -kInfinity;
            double exit = kInfinity;
            for (int a = 0; a < 3; ++a) {
                double t0 = (lo[a][c + k] - o[a]) * inv[a];
                double t1 = (hi[a][c + k] - o[a]) * inv[a];
                entry = std::max(entry, std::min(t0, t1));
                exit = std::min(exit, std::max(t0, t1));
            }
            entries[k] = exit < 0.0 || entry > exit ? kInfinity : entry;
        }
        first = entries[0];
        second = entries[1];
#endif
    }
};

} // namespace

struct CSphereHierarchy::Reference {
    float lo[3];
    float hi[3];
    float centre[3];
    std::uint32_t sphere;
};

// The box around the spheres of a range of references and the box around their centres.
struct CSphereHierarchy::Bounds {
    Box box;
    Box centres;

    void Grow(const Reference& ref) {
        box.Grow(ref.lo, ref.hi);
        centres.Grow(ref.centre, ref.centre);
    }
    void Grow(const Bounds& other) {
        box.Grow(other.box);
        centres.Grow(other.centres);
    }
};

// Grows each bin's bounds by the references that fall into it and counts them. With SSE the
// three coordinates of a box side are taken at once: minps(x, m) and maxps(x, m) pick x
// exactly when x < m and x > m, as Box::Grow's std::min(m, x) and std::max(m, x) do, so the
// bounds are the same bits either way.
template <class BinOf>
void CSphereHierarchy::BinBounds(const std::vector<Reference>& refs, std::uint32_t begin,
                                 std::uint32_t end, BinOf binOf, Bounds* bins,
                                 std::uint32_t* counts) {
#if defined(__SSE2__)
    // Lanes 0-2 of lo and hi are the box's sides; lanes 1-3 of the centre vectors are the
    // centre (loaded from hi[2] on, so that no lane reads the sphere's number as a float).
    __m128 lo[kBins];
    __m128 hi[kBins];
    __m128 centreLo[kBins];
    __m128 centreHi[kBins];
    for (unsigned k = 0; k < kBins; ++k) {
        lo[k] = centreLo[k] = _mm_set1_ps(std::numeric_limits<float>::max());
        hi[k] = centreHi[k] = _mm_set1_ps(-std::numeric_limits<float>::max());
    }
    for (std::uint32_t i = begin; i < end; ++i) {
        const Reference& ref = refs[i];
        unsigned k = binOf(ref);
        __m128 l = _mm_loadu_ps(ref.lo);
        __m128 h = _mm_loadu_ps(ref.hi);
        __m128 c = _mm_loadu_ps(ref.hi + 2);
        lo[k] = _mm_min_ps(l, lo[k]);
        hi[k] = _mm_max_ps(h, hi[k]);
        centreLo[k] = _mm_min_ps(c, centreLo[k]);
        centreHi[k] = _mm_max_ps(c, centreHi[k]);
        ++counts[k];
    }
    for (unsigned k = 0; k < kBins; ++k) {
        float lanes[4][4];
        _mm_storeu_ps(lanes[0], lo[k]);
        _mm_storeu_ps(lanes[1], hi[k]);
        _mm_storeu_ps(lanes[2], centreLo[k]);
        _mm_storeu_ps(lanes[3], centreHi[k]);
        for (int a = 0; a < 3; ++a) {
            bins[k].box.lo[a] = lanes[0][a];
            bins[k].box.hi[a] = lanes[1][a];
            bins[k].centres.lo[a] = lanes[2][a + 1];
            bins[k].centres.hi[a] = lanes[3][a + 1];
        }
    }
#else
    for (std::uint32_t i = begin; i < end; ++i) {
        unsigned k = binOf(refs[i]);
        bins[k].Grow(refs[i]);
        ++counts[k];
    }
#endif
}

bool CSphereHierarchy::Fits(const Sphere& s) {
    // Each coordinate on its own: std::max passes over a NaN that is not its first argument,
    // and a sphere with a NaN in its centre must stay out (its bin would be no number).
    double r = std::fabs(s.r);
    return std::fabs(s.cx) + r <= kExtent && std::fabs(s.cy) + r <= kExtent &&
           std::fabs(s.cz) + r <= kExtent; // false for a NaN or an infinity too
}

void CSphereHierarchy::Build(std::vector<Sphere> spheres) {
    m_quads.clear();
    m_root = Child{0, 0};
    m_spheres.clear();
    if (spheres.empty())
        return;

    std::vector<Reference> refs(spheres.size());
    double lo[3] = {kExtent, kExtent, kExtent};
    double hi[3] = {-kExtent, -kExtent, -kExtent};
    Bounds bounds;
    for (std::size_t i = 0; i < spheres.size(); ++i) {
        const Sphere& s = spheres[i];
        double r = std::fabs(s.r);
        const double c[3] = {s.cx, s.cy, s.cz};
        Reference& ref = refs[i];
        for (int a = 0; a < 3; ++a) {
            // Padded well beyond the rounding of c ± r: only a wider box is ever safe.
            double pad = 1e-6 * (std::fabs(c[a]) + r) + 1e-6;
            ref.lo[a] = FloatBelow(c[a] - r - pad);
            ref.hi[a] = FloatAbove(c[a] + r + pad);
            ref.centre[a] = static_cast<float>(c[a]);
            lo[a] = std::min(lo[a], c[a] - r);
            hi[a] = std::max(hi[a], c[a] + r);
        }
        ref.sphere = static_cast<std::uint32_t>(i);
        bounds.Grow(ref);
    }
    double radius2 = 0.0;
    for (int a = 0; a < 3; ++a) {
        m_centre[a] = (lo[a] + hi[a]) / 2;
        radius2 += (hi[a] - m_centre[a]) * (hi[a] - m_centre[a]);
    }
    m_radius = std::sqrt(radius2) * (1 + 1e-9) + 1e-6;

    // A tree of n spheres has at most 2n - 1 nodes: room for all of them, so that the nodes are
    // never copied (the pages beyond the tree's real size are never touched).
    std::vector<Node> nodes;
    nodes.reserve(2 * refs.size());
    BuildNode(refs, 0, static_cast<std::uint32_t>(refs.size()), bounds, nodes, 0);
    m_quads.reserve(nodes.size() / 3 + 1);
    m_root = Flatten(nodes, 0);

    m_spheres.resize(refs.size());
    for (std::size_t i = 0; i < refs.size(); ++i)
        m_spheres[i] = spheres[refs[i].sphere];
}

// The subtree under the node as four-way nodes, depth first, each before its children: the
// node's two children, and the larger of those that are inner nodes opened into its own two,
// until there are four.
CSphereHierarchy::Child CSphereHierarchy::Flatten(const std::vector<Node>& nodes,
                                                  std::uint32_t node) {
    const Node& n = nodes[node];
    if (n.count != 0)
        return Child{n.first, n.count};
    auto halfArea = [&](std::uint32_t i) {
        const Node& c = nodes[i];
        double x = static_cast<double>(c.hi[0]) - c.lo[0];
        double y = static_cast<double>(c.hi[1]) - c.lo[1];
        double z = static_cast<double>(c.hi[2]) - c.lo[2];
        return x * y + y * z + z * x;
    };
    std::uint32_t children[4] = {node + 1, n.first, 0, 0}; // the first child follows its parent
    unsigned count = 2;
    while (count < 4) {
        int open = -1;
        for (unsigned c = 0; c < count; ++c)
            if (nodes[children[c]].count == 0 &&
                (open < 0 || halfArea(children[c]) > halfArea(children[open])))
                open = static_cast<int>(c);
        if (open < 0)
            break;
        std::uint32_t inner = children[open];
        children[open] = inner + 1;
        children[count++] = nodes[inner].first;
    }

    std::uint32_t index = static_cast<std::uint32_t>(m_quads.size());
    m_quads.emplace_back();
    for (unsigned c = 0; c < 4; ++c) {
        Quad& quad = m_quads[index];
        for (int a = 0; a < 3; ++a) {
            quad.lo[a][c] = c < count ? nodes[children[c]].lo[a] : kNowhere;
            quad.hi[a][c] = c < count ? nodes[children[c]].hi[a] : kNowhere;
        }
        quad.first[c] = 0;
        quad.count[c] = 0;
    }
    for (unsigned c = 0; c < count; ++c) {
        Child child = Flatten(nodes, children[c]);
        m_quads[index].first[c] = child.first;
        m_quads[index].count[c] = child.count;
    }
    return Child{index, kInner};
}

CSphereHierarchy::Bounds CSphereHierarchy::Measure(const std::vector<Reference>& refs,
                                                   std::uint32_t begin, std::uint32_t end) {
    Bounds bounds;
    for (std::uint32_t i = begin; i < end; ++i)
        bounds.Grow(refs[i]);
    return bounds;
}

// Builds the subtree of refs[begin, end), whose boxes and centres the bounds enclose exactly,
// at the end of nodes and returns its root's index. The bins of a split give the bounds of
// both halves, so each level passes over its spheres twice: to bin them and to partition them.
std::uint32_t CSphereHierarchy::BuildNode(std::vector<Reference>& refs, std::uint32_t begin,
                                          std::uint32_t end, const Bounds& bounds,
                                          std::vector<Node>& nodes, unsigned depth) {
    const Box& box = bounds.box;
    const Box& centres = bounds.centres;
    std::uint32_t index = static_cast<std::uint32_t>(nodes.size());
    nodes.push_back(Node{
        {box.lo[0], box.lo[1], box.lo[2]}, {box.hi[0], box.hi[1], box.hi[2]}, begin, end - begin});
    std::uint32_t count = end - begin;
    if (count <= 2 || depth >= kMaxDepth)
        return index;

    int axis = 0;
    for (int a = 1; a < 3; ++a)
        if (centres.hi[a] - centres.lo[a] > centres.hi[axis] - centres.lo[axis])
            axis = a;
    double low = centres.lo[axis];
    double extent = static_cast<double>(centres.hi[axis]) - low;
    std::uint32_t middle = begin;
    Bounds first;
    Bounds second;
    if (extent > 0.0) {
        // Binned surface area heuristic: the split between bins with the least expected cost.
        double scale = kBins / extent;
        auto binOf = [&](const Reference& ref) {
            double k = (ref.centre[axis] - low) * scale;
            return std::min(kBins - 1, static_cast<unsigned>(k));
        };
        Bounds bins[kBins];
        std::uint32_t counts[kBins] = {};
        BinBounds(refs, begin, end, binOf, bins, counts);
        double rightArea[kBins];
        std::uint32_t rightCount[kBins];
        Box right;
        std::uint32_t n = 0;
        for (unsigned k = kBins - 1; k > 0; --k) {
            right.Grow(bins[k].box);
            n += counts[k];
            rightArea[k] = right.HalfArea();
            rightCount[k] = n;
        }
        Box left;
        n = 0;
        double bestCost = std::numeric_limits<double>::infinity();
        unsigned bestSplit = 0;
        for (unsigned k = 1; k < kBins; ++k) {
            left.Grow(bins[k - 1].box);
            n += counts[k - 1];
            double cost = left.HalfArea() * n + rightArea[k] * rightCount[k];
            if (n != 0 && rightCount[k] != 0 && cost < bestCost) {
                bestCost = cost;
                bestSplit = k;
            }
        }
        // A box test costs about a sphere test; a small leaf beats a split that saves less.
        double leafCost = box.HalfArea() * count;
        if (bestSplit == 0 || (count <= kMaxLeaf && bestCost + box.HalfArea() >= leafCost))
            return index;
        // binOf(ref) < bestSplit without the conversion: the bin is the whole part of a
        // non-negative k, and bestSplit is a whole number below kBins.
        double bound = bestSplit;
        auto split =
            std::partition(refs.begin() + begin, refs.begin() + end, [&](const Reference& ref) {
                return (ref.centre[axis] - low) * scale < bound;
            });
        middle = static_cast<std::uint32_t>(split - refs.begin());
        for (unsigned k = 0; k < kBins; ++k)
            (k < bestSplit ? first : second).Grow(bins[k]);
    }
    if (middle == begin || middle == end) {
        // Every centre in one place: a leaf if small, else halves in any order.
        if (count <= kMaxLeaf)
            return index;
        middle = begin + count / 2;
        first = Measure(refs, begin, middle);
        second = Measure(refs, middle, end);
    }

    nodes[index].count = 0;
    if (count > kParallelBuild && depth < 1) {
        // The second half on a thread of its own, into its own nodes, appended afterwards.
        std::vector<Node> secondNodes;
        CTaskGroup worker;
        bool started = false;
        try {
            secondNodes.reserve(2 * std::size_t{end - middle});
            started =
                worker.Start([&] { BuildNode(refs, middle, end, second, secondNodes, depth + 1); });
        } catch (const std::bad_alloc&) {
        }
        if (started) {
            BuildNode(refs, begin, middle, first, nodes, depth + 1);
            worker.Wait();
            std::uint32_t offset = static_cast<std::uint32_t>(nodes.size());
            for (Node& node : secondNodes) {
                if (node.count == 0)
                    node.first += offset;
                nodes.push_back(node);
            }
            nodes[index].first = offset;
            return index;
        }
    }
    BuildNode(refs, begin, middle, first, nodes, depth + 1);
    nodes[index].first = BuildNode(refs, middle, end, second, nodes, depth + 1);
    return index;
}

bool CSphereHierarchy::Covers(const CRay& ray) const {
    const CVector& o = ray.origin;
    const CVector& d = ray.direction;
    double dx = o.x - m_centre[0];
    double dy = o.y - m_centre[1];
    double dz = o.z - m_centre[2];
    double reach = std::sqrt(dx * dx + dy * dy + dz * dz) + m_radius;
    double unit = d.x * d.x + d.y * d.y + d.z * d.z;
    return reach <= kReach && std::fabs(unit - 1.0) <= 1e-14;
}

// A child the traversal reads soon: its node or its spheres start coming into the cache now,
// which matters once the tree outgrows the caches (a million spheres trace about 5 % faster).
void CSphereHierarchy::Prefetch(const Child& child) const {
#if defined(__SSE2__)
    const void* first = child.count == kInner ? static_cast<const void*>(&m_quads[child.first])
                                              : static_cast<const void*>(&m_spheres[child.first]);
    _mm_prefetch(static_cast<const char*>(first), _MM_HINT_T0);
#else
    (void)child;
#endif
}

void CSphereHierarchy::Nearest(const CRay& ray, CNearestHit& nearest) const {
    if (m_spheres.empty())
        return;
    auto offer = [&](double t, const Sphere& s) {
        nearest.Offer(t, s.index);
        return false;
    };
    if (!Covers(ray)) {
        VisitHits(m_spheres.data(), m_spheres.size(), ray, offer);
        return;
    }
    SlabRay slab(ray);
    struct Pending {
        Child child;
        double entry;
    };
    Pending stack[kStackSize];
    unsigned top = 0;
    // The root itself is not tested: its children's boxes are, and a leaf root is small.
    Child child = m_root;
    double entry = -std::numeric_limits<double>::infinity();
    for (;;) {
        if (entry <= nearest.Distance() + kSlack) {
            if (child.count != kInner) {
                VisitHits(&m_spheres[child.first], child.count, ray, offer);
            } else {
                const Quad& quad = m_quads[child.first];
                double entries[4];
                slab.Entries(quad.lo, quad.hi, 0, entries[0], entries[1]);
                slab.Entries(quad.lo, quad.hi, 2, entries[2], entries[3]);
                // The children the ray enters (a miss is +infinity), farthest first.
                Pending hits[4];
                unsigned n = 0;
                double limit = nearest.Distance() + kSlack;
                for (unsigned c = 0; c < 4; ++c) {
                    if (!(entries[c] <= limit))
                        continue;
                    Pending hit{Child{quad.first[c], quad.count[c]}, entries[c]};
                    Prefetch(hit.child);
                    unsigned k = n++;
                    for (; k > 0 && hits[k - 1].entry < hit.entry; --k)
                        hits[k] = hits[k - 1];
                    hits[k] = hit;
                }
                if (n != 0) {
                    // The nearest next, the others wait.
                    for (unsigned k = 0; k + 1 < n; ++k)
                        stack[top++] = hits[k];
                    child = hits[n - 1].child;
                    entry = hits[n - 1].entry;
                    continue;
                }
            }
        }
        if (top == 0)
            return;
        --top;
        child = stack[top].child;
        entry = stack[top].entry;
    }
}

bool CSphereHierarchy::Blocks(const CRay& ray, double distance, std::uint32_t* hint) const {
    if (m_spheres.empty())
        return false;
    // A sphere's distance, when it is one, is beyond the hit threshold.
    auto blocks = [&](double t, const Sphere& s) {
        if (!(t < distance))
            return false;
        if (hint)
            *hint = static_cast<std::uint32_t>(&s - m_spheres.data()) + 1;
        return true;
    };
    if (hint && *hint != 0 && *hint <= m_spheres.size() &&
        VisitHits(&m_spheres[*hint - 1], 1, ray, blocks))
        return true;
    if (!Covers(ray))
        return VisitHits(m_spheres.data(), m_spheres.size(), ray, blocks);
    SlabRay slab(ray);
    double limit = distance + kSlack;
    Child stack[kStackSize];
    unsigned top = 0;
    stack[top++] = m_root;
    while (top != 0) {
        Child child = stack[--top];
        if (child.count != kInner) {
            if (VisitHits(&m_spheres[child.first], child.count, ray, blocks))
                return true;
            continue;
        }
        const Quad& quad = m_quads[child.first];
        double entries[4];
        slab.Entries(quad.lo, quad.hi, 0, entries[0], entries[1]);
        slab.Entries(quad.lo, quad.hi, 2, entries[2], entries[3]);
        for (unsigned c = 4; c-- > 0;) {
            if (entries[c] <= limit) {
                stack[top++] = Child{quad.first[c], quad.count[c]};
                Prefetch(stack[top - 1]);
            }
        }
    }
    return false;
}
