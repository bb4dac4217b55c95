// The live view's render: coarse blocks first, then finer, every pixel traced once, and the
// last pass the serial picture byte for byte.

#include "RendererTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

namespace {

// An object no ray hits that counts the rays tested against it: with no light table entry
// that the shading visits, only primary rays reach it, one per traced pixel (per sample).
class RayCounter : public CSceneObject {
public:
    RayCounter() : m_count(std::make_shared<std::atomic<long>>(0)) {}
    double Intersect(CRay) override {
        ++*m_count;
        return 0.0;
    }
    std::unique_ptr<CSceneObject> Clone() const override { return CloneAs<RayCounter>(); }
    long Count() const { return *m_count; }

private:
    std::shared_ptr<std::atomic<long>> m_count; // shared with the snapshot's copies
};

// The passes and the picture as each pass left it.
class PassRecorder : public CRenderSink {
public:
    void RowFinished(const CImage& picture, unsigned y, unsigned left, unsigned right) override {
        m_rows.push_back(y);
        EXPECT_EQ(0u, left);
        EXPECT_EQ(static_cast<unsigned>(picture.GetWidth()), right);
        m_last = &picture;
    }
    void PassFinished(unsigned step) override {
        m_steps.push_back(step);
        m_pictures.push_back(m_last ? EncodePpm(*m_last) : std::string());
    }
    std::vector<unsigned> m_rows;
    std::vector<unsigned> m_steps;
    std::vector<std::string> m_pictures;
    const CImage* m_last = nullptr;
};

class ProgressiveRender : public RenderFixture {};

} // namespace

TEST_F(ProgressiveRender, TheLastPassIsTheSerialPictureWhateverTheThreadsAndSize) {
    for (auto size : {std::pair{48, 30}, std::pair{37, 23}, std::pair{1, 1}, std::pair{9, 17}}) {
        std::string serial = RenderToPpm(*doc, size.first, size.second);
        for (unsigned threads : {1u, 2u, 3u})
            EXPECT_EQ(serial, RenderToPpm(*doc, size.first, size.second,
                                          {.threads = threads, .progressive = true}))
                << size.first << " x " << size.second << ", " << threads << " threads";
    }
    BuildMirrorScene(*doc);
    StoreMaxRecursion(5);
    EXPECT_EQ(RenderToPpm(*doc, 40, 28, {.antialias = 3}),
              RenderToPpm(*doc, 40, 28, {.threads = 2, .antialias = 3, .progressive = true}));
}

TEST_F(ProgressiveRender, NoiseIsSeekedPixelByPixel) {
    for (auto& object : doc->m_objects)
        object->m_textureFlags = kTextureNoise;
    EXPECT_EQ(Golden("noise-48x30"), RenderToPpm(*doc, 48, 30, {.progressive = true}));
    EXPECT_EQ(Golden("noise-48x30"),
              RenderToPpm(*doc, 48, 30, {.threads = 2, .progressive = true}));
    // Noise on another kind cannot be counted: the picture is traced in one serial pass.
    auto other = std::make_unique<CSceneObject>();
    other->m_textureFlags = kTextureNoise;
    doc->AddObjectAtTail(std::move(other));
    PassRecorder passes;
    EXPECT_EQ(Golden("noise-48x30"),
              RenderToPpm(*doc, 48, 30, {.threads = 2, .sink = &passes, .progressive = true}));
    EXPECT_TRUE(passes.m_steps.empty());
}

TEST_F(ProgressiveRender, EveryPixelIsTracedOnce) {
    doc->ClearScene();
    doc->m_lights.clear();
    auto counter = std::make_unique<RayCounter>();
    const RayCounter& rays = *counter;
    doc->AddObjectAtTail(std::move(counter));
    RenderToPpm(*doc, 45, 31, {.threads = 2, .progressive = true});
    EXPECT_EQ(45 * 31, rays.Count());
    RenderToPpm(*doc, 45, 31, {.antialias = 2, .progressive = true});
    EXPECT_EQ(45 * 31 * (1 + 4), rays.Count());
}

TEST_F(ProgressiveRender, PassesGoFromBlocksOfEightToSinglePixels) {
    PassRecorder passes;
    RecordingProgress progress;
    std::string serial = RenderToPpm(*doc, 40, 20);
    RenderToPpm(*doc, 40, 20, {.threads = 2, .sink = &passes, .progressive = true});
    EXPECT_EQ((std::vector<unsigned>{8, 4, 2, 1}), passes.m_steps);
    // Each pass hands every row over once, from the top.
    ASSERT_EQ(4u * 20u, passes.m_rows.size());
    for (unsigned pass = 0; pass < 4; ++pass)
        for (unsigned y = 0; y < 20; ++y)
            EXPECT_EQ(y, passes.m_rows[pass * 20 + y]);
    EXPECT_EQ(serial, passes.m_pictures.back());

    // After the first pass each 8 x 8 block has the colour of its top left pixel in the final
    // picture; after the second, each 4 x 4 block.
    auto at = [](const std::string& ppm, int x, int y) {
        std::size_t header = ppm.find("255\n") + 4;
        return ppm.substr(header + 3 * (static_cast<std::size_t>(y) * 40 + x), 3);
    };
    for (unsigned pass : {0u, 1u}) {
        int step = pass == 0 ? 8 : 4;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 40; ++x)
                ASSERT_EQ(at(serial, x / step * step, y / step * step),
                          at(passes.m_pictures[pass], x, y))
                    << "pass " << pass << " at " << x << ", " << y;
    }

    RenderToPpm(*doc, 40, 20, {.sink = &progress, .progressive = true});
    ASSERT_FALSE(progress.m_positions.empty());
    EXPECT_TRUE(std::is_sorted(progress.m_positions.begin(), progress.m_positions.end()));
    EXPECT_EQ(100, progress.m_positions.back());
}

TEST_F(ProgressiveRender, AStopEndsThePassInFlight) {
    std::stop_source stop;
    RecordingProgress progress([&] {
        if (progress.m_positions.size() == 2)
            stop.request_stop();
    });
    RenderResult result = Render(CRenderScene::Snapshot(*doc),
                                 WholePicture(64, 48, {.threads = 2, .progressive = true}),
                                 &progress, stop.get_token());
    EXPECT_EQ(RenderResult::stopped, result.status);
    // Two bands of the first pass were handed over, then nothing more.
    EXPECT_EQ(2u, progress.m_positions.size());
}
