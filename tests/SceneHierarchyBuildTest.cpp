// A hierarchy large enough that the two halves of its root build on two threads, and with many
// spheres on one centre (the split of last resort), against the walk of the whole list.

#include "RendererTestSupport.h"

#include "core/Random.h"
#include "render/TraceScene.h"
#include "scene/Sphere.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

namespace {

double Uniform(CRandom& random, double low, double high) {
    double unit = (random.Next() * 32768.0 + random.Next()) / (32768.0 * 32768.0);
    return low + (high - low) * unit;
}

TEST(SceneHierarchy, LargeSceneBuiltOnTwoThreadsFindsWhatTheBruteForceWalkFinds) {
    CRandom random(99);
    CObjectList objects;
    for (int i = 0; i < 250000; ++i) {
        if (i % 50 == 0) { // a pile of spheres on one centre
            objects.push_back(std::make_unique<CSphere>(10.0f, -5.0f, 40.0f,
                                                        static_cast<float>(0.5 + i % 7 * 0.1)));
            continue;
        }
        objects.push_back(
            std::make_unique<CSphere>(Uniform(random, -100, 100), Uniform(random, -60, 40),
                                      Uniform(random, -50, 150), Uniform(random, 0.05, 0.3), 0));
    }
    CTraceScene brute;
    brute.Build(objects, CTraceScene::Hierarchy::off);
    CTraceScene tree;
    tree.Build(objects, CTraceScene::Hierarchy::always);
    ASSERT_TRUE(tree.HasHierarchy());

    int hits = 0;
    for (int i = 0; i < 200; ++i) {
        CRay ray;
        ray.origin = CVector(Uniform(random, -20, 20), Uniform(random, -20, 20), -200);
        CVector target = i % 10 == 0 ? CVector(10, -5, 40)
                                     : CVector(Uniform(random, -100, 100), Uniform(random, -60, 40),
                                               Uniform(random, -50, 150));
        ray.direction = (target - ray.origin).Normalised();
        const CTraceScene::Surface* bruteHit = nullptr;
        double bruteDistance = -1;
        ASSERT_TRUE(SameNearest(brute, tree, ray, bruteHit, bruteDistance)) << "ray " << i;
        if (!bruteHit)
            continue;
        ++hits;
        for (double distance : {bruteDistance, std::nextafter(bruteDistance, 1e9)})
            ASSERT_EQ(brute.Blocks(ray, distance), tree.Blocks(ray, distance)) << "ray " << i;
    }
    EXPECT_GT(hits, 20);
}

} // namespace
