// The pictures themselves, byte for byte against reference images rendered once by the serial
// renderer and checked by eye. Any change to the tracing arithmetic shows up here.
//
// To regenerate after a deliberate change of the pictures (and look at every one of them):
//   LUMO_WRITE_GOLDEN=1 build/tests/lumo_tests --gtest_filter='RendererGolden*'

#include "RendererTestSupport.h"

#include "scene/Plane.h"
#include "scene/Sphere.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

std::string GoldenPath(const std::string& name) {
    return std::string(LUMO_TEST_DATA_DIR) + "/" + name + ".ppm";
}

void ExpectGolden(const std::string& name, const std::string& ppm) {
    if (std::getenv("LUMO_WRITE_GOLDEN")) {
        WriteFile(GoldenPath(name), ppm);
        GTEST_SKIP() << "wrote " << GoldenPath(name);
    }
    std::string golden = ReadFile(GoldenPath(name));
    ASSERT_FALSE(golden.empty()) << "missing " << GoldenPath(name);
    ASSERT_EQ(golden.size(), ppm.size()) << name;
    // Report the first differing pixel rather than two walls of bytes.
    std::size_t header = golden.find("\n255\n") + 5;
    for (std::size_t i = 0; i < golden.size(); ++i) {
        if (golden[i] != ppm[i]) {
            ADD_FAILURE() << name << ": first difference at byte " << i << " (pixel "
                          << (i >= header ? (i - header) / 3 : 0) << ")";
            return;
        }
    }
}

class RendererGolden : public RenderFixture {};

TEST_F(RendererGolden, DefaultSceneAtSeveralSizes) {
    struct Size {
        int width;
        int height;
    };
    for (Size size : {Size{160, 100}, Size{64, 40}, Size{33, 17}, Size{17, 31}, Size{1, 1}}) {
        std::string name =
            "default-" + std::to_string(size.width) + "x" + std::to_string(size.height);
        SCOPED_TRACE(name);
        ExpectGolden(name, RenderToPpm(*doc, size.width, size.height));
    }
}

TEST_F(RendererGolden, MirrorSceneAtRecursionZeroOneAndTwo) {
    BuildMirrorScene(*doc);
    for (int depth : {0, 1, 2}) {
        std::string name = "mirrors-recursion" + std::to_string(depth);
        SCOPED_TRACE(name);
        StoreMaxRecursion(depth);
        ExpectGolden(name, RenderToPpm(*doc, 96, 60));
    }
}

TEST_F(RendererGolden, RecursionLevelsChangeTheMirrorPicture) {
    BuildMirrorScene(*doc);
    std::string previous;
    for (int depth : {0, 1, 2, 3}) {
        StoreMaxRecursion(depth);
        std::string picture = RenderToPpm(*doc, 48, 30);
        EXPECT_NE(previous, picture) << "depth " << depth;
        previous = picture;
    }
}

TEST_F(RendererGolden, NegativeMaxRecursionFinishesAtTheCap) {
    BuildMirrorScene(*doc);
    StoreMaxRecursion(-1);
    std::string unbounded = RenderToPpm(*doc, 24, 15);
    StoreMaxRecursion(static_cast<int>(CTracer::kMaxRecursionCap));
    EXPECT_EQ(unbounded, RenderToPpm(*doc, 24, 15));
}

TEST_F(RendererGolden, EveryRenderStartsTheNoiseSequenceAfresh) {
    // The noise texture draws from the render's own generator: the same scene twice gives the
    // same picture, whatever was drawn in between.
    for (auto& object : doc->m_objects)
        object->m_textureFlags = kTextureNoise;
    std::string first = RenderToPpm(*doc, 48, 30);
    for (int i = 0; i < 1000; ++i)
        CRandom::Current().Next();
    EXPECT_EQ(first, RenderToPpm(*doc, 48, 30));
    ExpectGolden("noise-48x30", first);
}

TEST_F(RendererGolden, NoiseSeenInMirrors) {
    BuildNoisyMirrorScene(*doc);
    StoreMaxRecursion(2);
    ExpectGolden("noise-mirrors-recursion2", RenderToPpm(*doc, 48, 30));
}

TEST_F(RendererGolden, CrowdOfTenThousandSpheres) {
    BuildCrowdScene(*doc, 10000);
    StoreMaxRecursion(1);
    ExpectGolden("crowd-10000-64x40", RenderToPpm(*doc, 64, 40));
}

} // namespace
