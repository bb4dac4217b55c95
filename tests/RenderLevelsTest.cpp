// A render that keeps its levels before quantising (RenderOptions::keepLevels): the 8-bit
// picture is the one every render gives, the levels quantise to it pixel by pixel, and they are
// the same bits whatever the schedule.
#include "RendererTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using Hierarchy = CTraceScene::Hierarchy;

class RenderLevels : public RenderFixture {
protected:
    RenderResult RenderKeeping(int width, int height, const TestRender& how) {
        RenderOptions options = WholePicture(width, height, how);
        options.keepLevels = true;
        RenderResult result = Render(CRenderScene::Snapshot(*doc), options, how.sink, how.stop);
        EXPECT_EQ(RenderResult::finished, result.status);
        return result;
    }

    // Every pixel's levels give its bytes.
    static testing::AssertionResult QuantiseToThePicture(const RenderResult& result) {
        const CFloatImage& levels = result.levels;
        if (levels.GetWidth() != result.picture.GetWidth() ||
            levels.GetHeight() != result.picture.GetHeight())
            return testing::AssertionFailure() << "the levels are not the picture's size";
        for (int y = 0; y < levels.GetHeight(); ++y)
            for (int x = 0; x < levels.GetWidth(); ++x) {
                CColour colour = levels.ColourAt(x, y);
                std::uint32_t packed = std::uint32_t{colour.red} |
                                       std::uint32_t{colour.green} << 8 |
                                       std::uint32_t{colour.blue} << 16;
                if (packed != result.picture.GetPixel(x, y))
                    return testing::AssertionFailure() << "pixel " << x << ", " << y;
            }
        return testing::AssertionSuccess();
    }

    static bool SameLevels(const CFloatImage& a, const CFloatImage& b) {
        return a.GetWidth() == b.GetWidth() && a.GetHeight() == b.GetHeight() &&
               std::memcmp(a.GetRow(0), b.GetRow(0),
                           3 * sizeof(float) * static_cast<std::size_t>(a.GetWidth()) *
                               static_cast<std::size_t>(a.GetHeight())) == 0;
    }

    // The scene rendered every way, with and without antialiasing: the picture of a render
    // that keeps nothing, the levels quantising to it, the same levels every way.
    void ExpectEveryWayKeepsTheSameLevels(int width, int height) {
        for (unsigned antialias : {1u, 3u}) {
            SCOPED_TRACE("antialias " + std::to_string(antialias));
            std::string plain = RenderToPpm(*doc, width, height, {.antialias = antialias});
            RenderResult serial = RenderKeeping(width, height, {.antialias = antialias});
            EXPECT_EQ(plain, EncodePpm(serial.picture));
            EXPECT_TRUE(QuantiseToThePicture(serial));
            std::vector<TestRender> ways = {
                {.threads = 2, .antialias = antialias},
                {.threads = 3, .antialias = antialias, .hierarchy = Hierarchy::always},
                {.parts = 2, .antialias = antialias},
                {.parts = 4, .antialias = antialias},
                {.threads = 1, .antialias = antialias, .progressive = true},
                {.threads = 3, .antialias = antialias, .progressive = true}};
            for (const TestRender& how : ways) {
                SCOPED_TRACE(std::to_string(how.threads) + " threads, " +
                             std::to_string(how.parts) + " parts" +
                             (how.progressive ? ", progressive" : ""));
                RenderResult result = RenderKeeping(width, height, how);
                EXPECT_EQ(plain, EncodePpm(result.picture));
                EXPECT_TRUE(SameLevels(serial.levels, result.levels));
            }
        }
    }
};

TEST_F(RenderLevels, DefaultScene) {
    ExpectEveryWayKeepsTheSameLevels(48, 30);
}

TEST_F(RenderLevels, NoisyMirrorsAtDepthTwo) {
    BuildNoisyMirrorScene(*doc);
    StoreMaxRecursion(2);
    ExpectEveryWayKeepsTheSameLevels(37, 23);
}

// One ray a pixel keeps the shading's sums: a highlight's lights add up beyond 1. Samples are
// clamped colours each, so their average stays within 0..1. The sky is the background's levels.
TEST_F(RenderLevels, OneRayKeepsLevelsAboveOneAndSamplesStayWithin) {
    auto largest = [](const CFloatImage& levels) {
        float most = 0.0f;
        for (int y = 0; y < levels.GetHeight(); ++y)
            for (int x = 0; x < 3 * levels.GetWidth(); ++x)
                most = std::max(most, levels.GetRow(y)[x]);
        return most;
    };
    RenderResult oneRay = RenderKeeping(64, 40, {});
    EXPECT_GT(largest(oneRay.levels), 1.0f);
    EXPECT_LE(largest(RenderKeeping(64, 40, {.antialias = 2}).levels), 1.0f);
    ColourLevels sky = oneRay.levels.GetPixel(1, 1);
    EXPECT_EQ(doc->m_background.redLevel, sky.red);
    EXPECT_EQ(doc->m_background.greenLevel, sky.green);
    EXPECT_EQ(doc->m_background.blueLevel, sky.blue);
}

// A negative ambient darkens below black: the picture shows 0, the levels keep the product.
TEST_F(RenderLevels, ANegativeFinishKeepsLevelsBelowZero) {
    doc->ClearScene();
    auto ball = std::make_unique<CSphere>(0.0f, -5.0f, 0.0f, 60.0f);
    ball->SetColour(CColour(1.0f, 0.5f, 0.25f));
    ball->SetFinish(-0.5, 0.0, 1.0, 0.0, 1.0, 0.0);
    doc->AddObjectAtTail(std::move(ball));
    RenderResult result = RenderKeeping(16, 10, {});
    ColourLevels middle = result.levels.GetPixel(8, 5);
    EXPECT_EQ(-0.5f, middle.red);
    EXPECT_EQ(-0.25f, middle.green);
    EXPECT_EQ(-0.125f, middle.blue);
    EXPECT_EQ(0u, result.picture.GetPixel(8, 5));
    EXPECT_TRUE(QuantiseToThePicture(result));
}

// What is not traced stays white, in the levels as in the picture; without keepLevels nothing
// is kept.
TEST_F(RenderLevels, UntracedPixelsAreWhiteAndNothingIsKeptUnlessAsked) {
    RenderOptions options = WholePicture(20, 12);
    options.keepLevels = true;
    options.region = RenderRegion{4, 3, 10, 8};
    RenderResult result = Render(CRenderScene::Snapshot(*doc), options);
    EXPECT_TRUE(QuantiseToThePicture(result));
    ColourLevels corner = result.levels.GetPixel(0, 0);
    EXPECT_EQ(1.0f, corner.red);
    EXPECT_EQ(1.0f, corner.blue);
    options.keepLevels = false;
    EXPECT_FALSE(Render(CRenderScene::Snapshot(*doc), options).levels.HasPixels());
}

} // namespace
