// Every way of rendering a scene gives the serial brute-force picture byte for byte: any thread
// count, the picture split into halves or quarters, with or without the bounding volume
// hierarchy. The hierarchy itself is checked ray by ray against the walk of the whole list.

#include "RendererTestSupport.h"

#include "render/TraceScene.h"
#include "scene/WorldPlane.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using Hierarchy = CTraceScene::Hierarchy;

class RendererIdentity : public RenderFixture {
protected:
    std::string Render(int width, int height, unsigned threads, Hierarchy hierarchy,
                       unsigned parts = 0, CRenderSink* sink = nullptr) {
        return RenderToPpm(
            *doc, width, height,
            {.threads = threads, .parts = parts, .hierarchy = hierarchy, .sink = sink});
    }

    // The scene rendered every way against the serial brute-force picture.
    void ExpectEveryWayGives(const std::string& serial, int width, int height) {
        for (Hierarchy hierarchy : {Hierarchy::off, Hierarchy::always}) {
            std::string mode = hierarchy == Hierarchy::off ? "brute force" : "hierarchy";
            for (unsigned threads : {1u, 2u, 3u, 8u})
                EXPECT_EQ(serial, Render(width, height, threads, hierarchy))
                    << mode << ", " << threads << " threads";
            for (unsigned parts : {2u, 4u})
                EXPECT_EQ(serial, Render(width, height, 1, hierarchy, parts))
                    << mode << ", " << parts << " parts";
        }
    }
};

TEST_F(RendererIdentity, DefaultScene) {
    std::string serial = Render(64, 40, 1, Hierarchy::off);
    ASSERT_EQ(Golden("default-64x40"), serial);
    ExpectEveryWayGives(serial, 64, 40);
    ExpectEveryWayGives(Render(33, 17, 1, Hierarchy::off), 33, 17);
}

TEST_F(RendererIdentity, MirrorSceneAtDepthTwo) {
    BuildMirrorScene(*doc);
    StoreMaxRecursion(2);
    std::string serial = Render(96, 60, 1, Hierarchy::off);
    ASSERT_EQ(Golden("mirrors-recursion2"), serial);
    ExpectEveryWayGives(serial, 96, 60);
}

TEST_F(RendererIdentity, NoiseScenes) {
    for (auto& object : doc->m_objects)
        object->m_textureFlags = kTextureNoise;
    std::string serial = Render(48, 30, 1, Hierarchy::off);
    ASSERT_EQ(Golden("noise-48x30"), serial);
    ExpectEveryWayGives(serial, 48, 30);

    // Reflections and shadows change how many numbers a pixel draws.
    BuildNoisyMirrorScene(*doc);
    StoreMaxRecursion(2);
    serial = Render(48, 30, 1, Hierarchy::off);
    ASSERT_EQ(Golden("noise-mirrors-recursion2"), serial);
    ExpectEveryWayGives(serial, 48, 30);
    // Odd sizes put the quarters' borders inside rows of unequal draws.
    ExpectEveryWayGives(Render(37, 23, 1, Hierarchy::off), 37, 23);
}

// Noisy world planes: the floor fixed where the eye sees it, and a tilted wall with a normal
// of no unit length and an offset, seen in the mirrors and reflecting each other.
TEST_F(RendererIdentity, WorldPlaneScenes) {
    // Without reflections only primary and shadow rays meet the floor: fixed where the eye
    // sees it, it gives the default picture.
    std::string eyeRelative = Render(160, 100, 1, Hierarchy::off);
    auto FixFloor = [&] {
        auto& floor = static_cast<CPlane&>(*doc->m_objects.front());
        doc->m_objects.front() =
            std::make_unique<CWorldPlane>(CWorldPlane::FromEyePlane(floor, doc->GetEye()));
    };
    FixFloor();
    EXPECT_EQ(eyeRelative, Render(160, 100, 1, Hierarchy::off));

    BuildNoisyMirrorScene(*doc);
    StoreMaxRecursion(2);
    eyeRelative = Render(48, 30, 1, Hierarchy::off);
    FixFloor();
    // The mirrors' rays start elsewhere than the eye: they see the floor where it is.
    std::string serial = Render(48, 30, 1, Hierarchy::off);
    EXPECT_NE(eyeRelative, serial);
    ExpectEveryWayGives(serial, 48, 30);

    auto wall = std::make_unique<CWorldPlane>(-0.6, -0.3, 2.5, -310.0);
    wall->SetColour(CColour(90, 120, 200));
    wall->SetFinish(0.2, 0.8, 2.0, 0.5, 30.0, 0.4);
    wall->m_textureFlags = kTextureRing | kTextureNoise;
    doc->AddObjectAtTail(std::move(wall));
    serial = Render(48, 30, 1, Hierarchy::off);
    ExpectEveryWayGives(serial, 48, 30);
    ExpectEveryWayGives(Render(37, 23, 1, Hierarchy::off), 37, 23);
}

TEST_F(RendererIdentity, TenThousandSpheres) {
    BuildCrowdScene(*doc, 10000);
    StoreMaxRecursion(1);
    std::string serial = Render(64, 40, 1, Hierarchy::off);
    ASSERT_EQ(Golden("crowd-10000-64x40"), serial);
    ExpectEveryWayGives(serial, 64, 40);
}

TEST_F(RendererIdentity, PartsPaintEveryPixelOnceAndEndTheProgressAtOneHundred) {
    for (unsigned parts : {2u, 4u}) {
        RecordingProgress progress;
        std::string picture = Render(31, 19, 1, Hierarchy::automatic, parts, &progress);
        EXPECT_EQ(31u * 19u, progress.m_pixels) << parts;
        // One position per row of each part: 19 rows, twice as many segments in quarters.
        ASSERT_EQ(parts == 2 ? 19u : 38u, progress.m_positions.size()) << parts;
        EXPECT_EQ(100, progress.m_positions.back());
        for (std::size_t i = 1; i < progress.m_positions.size(); ++i)
            EXPECT_LE(progress.m_positions[i - 1], progress.m_positions[i]);
    }
}

// A random number in [low, high) from a fixed sequence.
class Draw {
public:
    explicit Draw(std::uint32_t seed) : m_random(seed) {}
    double operator()(double low, double high) {
        double unit = (m_random.Next() * 32768.0 + m_random.Next()) / (32768.0 * 32768.0);
        return low + (high - low) * unit;
    }
    int Pick(int n) { return m_random.Next() % n; }

private:
    CRandom m_random;
};

CVector UnitVector(Draw& draw) {
    for (;;) {
        CVector v(draw(-1, 1), draw(-1, 1), draw(-1, 1));
        if (v.Dot(v) > 1e-6 && v.Dot(v) <= 1.0)
            return v.Normalised();
    }
}

// The hierarchy against the walk of the list over random rays: rays from anywhere in the
// scene and from far outside it, rays starting on spheres (as reflected and shadow rays do),
// rays grazing spheres at the edge of the discriminant's threshold, and directions that are
// not unit vectors or not numbers at all. The same object and the same distance bits for the
// nearest hit, the same answer for the shadow test at distances around each hit.
// LUMO_RANDOM_RAYS=N checks N rays instead of 40,000 (a million takes a minute or more).
namespace {
// A world plane that computes its own distances: the tracer must leave it to them.
class CShiftedWorldPlane : public CWorldPlane {
public:
    using CWorldPlane::CWorldPlane;
    double Intersect(CRay ray) override { return CWorldPlane::Intersect(ray) + 1.0; }
};
} // namespace

TEST(TraceScene, WorldPlanesTakeTheFastPathWithTheirOwnDistances) {
    CObjectList objects;
    objects.push_back(std::make_unique<CWorldPlane>(0.3, 1.7, -0.2, -41.5));
    objects.push_back(std::make_unique<CPlane>(0.0f, 1.0f, 0.0f, -50.0f));
    CTraceScene scene;
    scene.Build(objects, Hierarchy::off);
    CTraceScene::Surface world = CTraceScene::Describe(objects[0].get());
    EXPECT_EQ(CTraceScene::Kind::worldPlane, world.kind);
    EXPECT_TRUE(world.colourOnce);
    EXPECT_EQ(1.7, CTraceScene::NormalAt(world, CVector(5, 6, 7)).y);
    EXPECT_EQ(CTraceScene::Kind::plane, CTraceScene::Describe(objects[1].get()).kind);

    // From the eye the world plane (y about 24) is nearer than the eye-relative floor (y 40);
    // from below the world plane the ray meets only the floor, which moves with the origin.
    CRay down(CVector(0, -5, -110), CVector(0, 0.6, 0.8));
    double distance = 0;
    const CTraceScene::Surface* hit = scene.Nearest(down, distance);
    ASSERT_NE(nullptr, hit);
    EXPECT_EQ(objects[0].get(), hit->object);
    double own = objects[0]->Intersect(down);
    EXPECT_EQ(0, std::memcmp(&own, &distance, sizeof own));
    CRay below(CVector(0, 30, -110), CVector(0, 0.6, 0.8));
    hit = scene.Nearest(below, distance);
    ASSERT_NE(nullptr, hit);
    EXPECT_EQ(objects[1].get(), hit->object);
    EXPECT_TRUE(scene.Blocks(down, own + 0.01));
    EXPECT_FALSE(scene.Blocks(down, own - 0.01));

    // A noisy world plane's draws can be counted; one of a derived kind's cannot.
    objects[0]->m_textureFlags = kTextureNoise;
    scene.Build(objects, Hierarchy::off);
    EXPECT_TRUE(scene.CanCountDraws());
    objects.push_back(std::make_unique<CShiftedWorldPlane>(0.0, 1.0, 0.0, -60.0));
    EXPECT_EQ(CTraceScene::Kind::other, CTraceScene::Describe(objects.back().get()).kind);
    CRay straight(CVector(0, 0, 0), CVector(0, 1, 0));
    objects.erase(objects.begin(), objects.begin() + 2);
    scene.Build(objects, Hierarchy::off);
    EXPECT_EQ(61.0, scene.Nearest(straight, distance) ? distance : 0.0);
    objects.back()->m_textureFlags = kTextureNoise;
    scene.Build(objects, Hierarchy::off);
    EXPECT_FALSE(scene.CanCountDraws());
}

TEST(SceneHierarchy, RandomRaysFindWhatTheBruteForceWalkFinds) {
    Draw draw(2024);
    CObjectList objects;
    for (int i = 0; i < 1500; ++i) {
        double size = i % 50 == 0 ? 40.0 : i % 7 == 0 ? 0.05 : 3.0;
        auto sphere = std::make_unique<CSphere>(draw(-100, 100), draw(-100, 100), draw(-100, 100),
                                                draw(0.01, size), 0);
        if (i % 13 == 0) // duplicates: ties at equal distance
            objects.push_back(std::make_unique<CSphere>(sphere->m_centre.x, sphere->m_centre.y,
                                                        sphere->m_centre.z, sphere->m_radius, 0));
        objects.push_back(std::move(sphere));
        if (i % 300 == 0)
            objects.push_back(std::make_unique<CPlane>(0.0f, 1.0f, 0.0f, -60.0f));
    }
    // A negative radius, a sphere beyond the hierarchy's extent, ones not a number in each
    // coordinate or infinitely far, a null.
    objects.push_back(std::make_unique<CSphere>(5.0f, 5.0f, 5.0f, -4.0f));
    objects.push_back(std::make_unique<CSphere>(9000.0f, 0.0f, 0.0f, 30.0f));
    objects.push_back(std::make_unique<CSphere>(std::nanf(""), 0.0f, 0.0f, 1.0f));
    objects.push_back(std::make_unique<CSphere>(40.0f, std::nanf(""), 0.0f, 1.0f));
    objects.push_back(std::make_unique<CSphere>(-40.0f, 30.0f, std::nanf(""), 1.0f));
    objects.push_back(std::make_unique<CSphere>(0.0f, -HUGE_VALF, 0.0f, 1.0f));
    objects.push_back(nullptr);

    CTraceScene brute;
    brute.Build(objects, Hierarchy::off);
    CTraceScene tree;
    tree.Build(objects, Hierarchy::always);
    ASSERT_TRUE(tree.HasHierarchy());

    long rays = 40000;
    if (const char* count = std::getenv("LUMO_RANDOM_RAYS"))
        rays = std::atol(count);
    long hits = 0;
    std::uint32_t hint = 0;
    for (long i = 0; i < rays; ++i) {
        CRay ray;
        int kind = draw.Pick(8);
        ray.origin = CVector(draw(-150, 150), draw(-150, 150), draw(-150, 150));
        ray.direction = UnitVector(draw);
        const auto* target =
            dynamic_cast<CSphere*>(objects[static_cast<std::size_t>(draw.Pick(1000))].get());
        if (kind == 1 && target) {
            // From a point on a sphere, outwards or inwards.
            CVector offset = UnitVector(draw);
            ray.origin = target->m_centre + offset * static_cast<double>(target->m_radius);
        } else if (kind == 2 && target) {
            // Grazing: aimed past the centre at about the radius.
            CVector towards = (target->m_centre - ray.origin).Normalised();
            CVector side = UnitVector(draw);
            side = (side - towards * side.Dot(towards)).Normalised();
            double r = target->m_radius;
            CVector aim = target->m_centre + side * (r * (1 + draw(-1e-5, 1e-5)));
            ray.direction = (aim - ray.origin).Normalised();
        } else if (kind == 3) {
            ray.origin = CVector(draw(-1e6, 1e6), draw(-1e5, 1e5), draw(-1e6, 1e6));
            ray.direction = (CVector(draw(-50, 50), 0, 0) - ray.origin).Normalised();
        } else if (kind == 4) {
            ray.direction = ray.direction * draw(0.5, 2.0); // not a unit vector
        } else if (kind == 5 && i % 100 == 0) {
            ray.direction = CVector(0, 0, 0).Normalised(); // not a number
        } else if (kind == 6) {
            ray.direction = CVector(0, 0, i % 2 ? 1.0 : -1.0); // along an axis
        } else if (kind == 7) {
            // A component too small to invert, of either sign.
            ray.direction = CVector(i % 2 ? 1e-310 : -1e-310, 0.6, 0.8);
        }

        const CTraceScene::Surface* bruteHit = nullptr;
        double bruteDistance = -1;
        ASSERT_TRUE(SameNearest(brute, tree, ray, bruteHit, bruteDistance)) << "ray " << i;
        if (bruteHit)
            ++hits;
        double around = bruteHit ? bruteDistance : draw(0, 400);
        if (i % 1000 == 999)
            hint = 0xFFFFFFFFu; // names no sphere at all
        // The shadow hint carries over from ray to ray, as it does across a picture's pixels:
        // whatever sphere it names, the answer is the brute-force one.
        for (double distance : {around, std::nextafter(around, 0.0), std::nextafter(around, 1e9),
                                around * 0.5, draw(0, 400)}) {
            bool blocked = brute.Blocks(ray, distance);
            ASSERT_EQ(blocked, tree.Blocks(ray, distance)) << "ray " << i << " at " << distance;
            ASSERT_EQ(blocked, tree.Blocks(ray, distance, &hint))
                << "ray " << i << " at " << distance << " with hint " << hint;
        }
    }
    EXPECT_GT(hits, rays / 5);
}

} // namespace

namespace {

// Small trees have four-way nodes with unused places and, below three spheres, a leaf root.
TEST(SceneHierarchy, SmallTreesFindWhatTheBruteForceWalkFinds) {
    Draw draw(77);
    for (int count : {1, 2, 3, 4, 5, 6, 7, 9, 12, 17, 33}) {
        CObjectList objects;
        for (int i = 0; i < count; ++i)
            objects.push_back(std::make_unique<CSphere>(draw(-20, 20), draw(-20, 20), draw(-20, 20),
                                                        draw(0.5, 6), 0));
        CTraceScene brute;
        brute.Build(objects, Hierarchy::off);
        CTraceScene tree;
        tree.Build(objects, Hierarchy::always);
        ASSERT_TRUE(tree.HasHierarchy());
        for (int i = 0; i < 2000; ++i) {
            CRay ray;
            ray.origin = CVector(draw(-40, 40), draw(-40, 40), draw(-40, 40));
            ray.direction = UnitVector(draw);
            const CTraceScene::Surface* bruteHit = nullptr;
            double bruteDistance = -1;
            ASSERT_TRUE(SameNearest(brute, tree, ray, bruteHit, bruteDistance))
                << count << " spheres, ray " << i;
            double distance = draw(0, 80);
            ASSERT_EQ(brute.Blocks(ray, distance), tree.Blocks(ray, distance))
                << count << " spheres, ray " << i;
        }
    }
}

} // namespace

namespace {

// Two spheres at a time give each sphere's own distance bits: random spheres and rays, rays
// from points on the spheres (inside and out), and rays that graze them.
TEST(SceneHierarchy, SpheresTestedInPairsGiveTheirOwnDistances) {
    Draw draw(4242);
    std::vector<CSphereHierarchy::Sphere> spheres(7);
    long visits = 0;
    for (int i = 0; i < 300000; ++i) {
        for (std::uint32_t k = 0; k < spheres.size(); ++k)
            spheres[k] = CSphereHierarchy::Sphere{draw(-30, 30), draw(-30, 30), draw(-30, 30),
                                                  static_cast<float>(draw(0.01, 20)), k};
        CRay ray;
        ray.origin = CVector(draw(-60, 60), draw(-60, 60), draw(-60, 60));
        const CSphereHierarchy::Sphere& target = spheres[static_cast<std::size_t>(draw.Pick(7))];
        CVector centre(target.cx, target.cy, target.cz);
        if (i % 3 == 1)
            ray.origin = centre + UnitVector(draw) * static_cast<double>(target.r);
        ray.direction = UnitVector(draw);
        if (i % 3 == 2) {
            // Aimed past the centre at about the radius.
            CVector towards = (centre - ray.origin).Normalised();
            CVector side = UnitVector(draw);
            side = (side - towards * side.Dot(towards)).Normalised();
            CVector aim = centre + side * (target.r * (1 + draw(-1e-4, 1e-4)));
            ray.direction = (aim - ray.origin).Normalised();
        }
        std::vector<std::pair<std::uint32_t, double>> seen;
        CSphereHierarchy::VisitHits(spheres.data(), spheres.size(), ray,
                                    [&](double t, const CSphereHierarchy::Sphere& s) {
                                        seen.emplace_back(s.index, t);
                                        return false;
                                    });
        std::vector<std::pair<std::uint32_t, double>> expected;
        for (const auto& s : spheres) {
            double t = CSphere::Hit(s.cx, s.cy, s.cz, s.r, ray);
            if (t != 0.0)
                expected.emplace_back(s.index, t);
        }
        ASSERT_EQ(expected.size(), seen.size()) << "ray " << i;
        for (std::size_t k = 0; k < seen.size(); ++k) {
            ASSERT_EQ(expected[k].first, seen[k].first) << "ray " << i;
            ASSERT_EQ(0, std::memcmp(&expected[k].second, &seen[k].second, sizeof(double)))
                << "ray " << i << ", sphere " << seen[k].first;
        }
        visits += static_cast<long>(seen.size());
    }
    EXPECT_GT(visits, 200000);
}

} // namespace
