// A render on several threads must give the serial render's picture byte for byte, and look the
// same from outside: rows painted in order, the progress after each row, the stop flag obeyed.

#include "RendererTestSupport.h"

#include "platform/ProgressBar.h"
#include "render/RenderJob.h"
#include "scene/Sphere.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace {

// An object no ray ever hits, so it leaves every picture as it is, that records the threads
// which test rays against it. The first threads wait (up to a time limit) until the expected
// number has arrived: otherwise one worker could trace a small picture alone before another
// starts, and the count seen would depend on scheduling.
class ThreadRecorder : public CSceneObject {
public:
    explicit ThreadRecorder(std::size_t expected) : m_expected(expected) {}

    double Intersect(CRay) override {
        std::unique_lock lock(m_mutex);
        m_threads.insert(std::this_thread::get_id());
        m_arrived.notify_all();
        if (!m_gaveUp)
            m_gaveUp = !m_arrived.wait_for(lock, std::chrono::seconds(10),
                                           [this] { return m_threads.size() >= m_expected; });
        return 0.0;
    }

    std::set<std::thread::id> Threads() {
        std::lock_guard lock(m_mutex);
        return m_threads;
    }

private:
    const std::size_t m_expected;
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::set<std::thread::id> m_threads;
    bool m_gaveUp = false;
};

class RendererParallel : public RenderFixture {
protected:
    std::string RenderWithThreads(unsigned threads, int width, int height,
                                  CProgressBar* progress = nullptr, std::stop_token stop = {}) {
        EXPECT_TRUE(doc->m_image.SetSize(width, height));
        CRenderer renderer;
        renderer.SetThreads(threads);
        renderer.SetStopToken(std::move(stop));
        renderer.Render(doc.get(), static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                        0, width, height, progress);
        return EncodePpm(doc->m_image);
    }
    CHeadlessView& View() { return platform.m_mainWindow.m_view; }
};

TEST_F(RendererParallel, DefaultSceneMatchesTheSerialGoldens) {
    struct Size {
        int width;
        int height;
    };
    for (unsigned threads : {2u, 3u, 8u, 200u}) {
        for (Size size : {Size{160, 100}, Size{33, 17}, Size{17, 31}, Size{1, 1}}) {
            std::string name =
                "default-" + std::to_string(size.width) + "x" + std::to_string(size.height);
            SCOPED_TRACE(name + " on " + std::to_string(threads) + " threads");
            EXPECT_EQ(Golden(name), RenderWithThreads(threads, size.width, size.height));
        }
    }
}

TEST_F(RendererParallel, ReflectionsMatchTheSerialRender) {
    // Deep reflections make every pixel's cost different, so rows finish out of order.
    for (int depth : {0, 2, 5}) {
        StoreMaxRecursion(depth);
        std::string serial = RenderWithThreads(1, 120, 75);
        for (unsigned threads : {2u, 5u})
            EXPECT_EQ(serial, RenderWithThreads(threads, 120, 75))
                << "depth " << depth << ", " << threads << " threads";
    }
}

TEST_F(RendererParallel, NoiseScenesRenderInParallelUnlessTheNoiseIsOnAnotherKind) {
    for (auto& object : doc->m_objects)
        object->m_textureFlags = kTextureNoise;
    CRenderer renderer;
    renderer.SetThreads(4);
    EXPECT_TRUE(renderer.CanRenderInParallel(doc.get()));
    EXPECT_EQ(Golden("noise-48x30"), RenderWithThreads(4, 48, 30));

    // The draws of an object of another kind cannot be counted without drawing.
    auto other = std::make_unique<CSceneObject>();
    other->m_textureFlags = kTextureNoise;
    doc->AddObjectAtTail(std::move(other));
    EXPECT_FALSE(renderer.CanRenderInParallel(doc.get()));
    doc->m_objects.back()->m_textureFlags = 0;
    EXPECT_TRUE(renderer.CanRenderInParallel(doc.get()));
    renderer.SetThreads(1);
    EXPECT_FALSE(renderer.CanRenderInParallel(doc.get()));
    renderer.SetParts(2);
    EXPECT_TRUE(renderer.CanRenderInParallel(doc.get()));
}

TEST_F(RendererParallel, RowsArePaintedAndReportedInOrder) {
    std::size_t paintedAtLastRow = 0;
    std::vector<std::size_t> paintedPerRow;
    RecordingProgress progress([&] {
        paintedPerRow.push_back(View().m_pixelsPainted - paintedAtLastRow);
        paintedAtLastRow = View().m_pixelsPainted;
    });
    RenderWithThreads(3, 7, 100, &progress);
    ASSERT_EQ(100u, progress.m_positions.size());
    for (int y = 0; y < 100; ++y) {
        EXPECT_EQ(y, progress.m_positions[static_cast<std::size_t>(y)]);
        EXPECT_EQ(7u, paintedPerRow[static_cast<std::size_t>(y)]);
    }
    EXPECT_EQ(1, View().m_repaints);
    EXPECT_EQ(1, doc->m_imageComplete);
}

TEST_F(RendererParallel, EmptyPicturesAndTheStopRequest) {
    RecordingProgress none;
    RenderWithThreads(4, 9, 0, &none);
    RenderWithThreads(4, 0, 9, &none);
    EXPECT_EQ(0u, View().m_pixelsPainted);
    EXPECT_EQ(9u, none.m_positions.size()); // the zero-width picture still has its rows

    std::stop_source stop;
    RecordingProgress stopping([&] { stop.request_stop(); });
    doc->m_imageComplete = 0;
    RenderWithThreads(4, 16, 64, &stopping, stop.get_token());
    EXPECT_EQ(1u, stopping.m_positions.size());
    EXPECT_EQ(16u, View().m_pixelsPainted);
    EXPECT_EQ(1, doc->m_imageComplete);
}

TEST_F(RendererParallel, RunRenderPassesTheThreadCountOn) {
    StoreMaxRecursion(2);
    std::string serial = RenderWithThreads(1, 64, 40);
    auto recorder = std::make_unique<ThreadRecorder>(3);
    ThreadRecorder* tracers = recorder.get();
    doc->AddObjectAtTail(std::move(recorder));
    ASSERT_TRUE(doc->m_image.SetSize(64, 40));
    RenderJob job;
    job.document = doc.get();
    job.right = job.width = 64;
    job.bottom = job.height = 40;
    job.threads = 3; // not a likely core count, so that a default in its place would show
    RunRender(&job);
    EXPECT_EQ(serial, EncodePpm(doc->m_image));
    // Three workers traced; the calling thread only painted.
    std::set<std::thread::id> threads = tracers->Threads();
    EXPECT_EQ(3u, threads.size());
    EXPECT_EQ(0u, threads.count(std::this_thread::get_id()));
    ASSERT_EQ(1u, platform.m_messages.size());
    EXPECT_EQ("Finished Rendering", platform.m_messages[0].caption);
}

TEST_F(RendererParallel, RunRenderTracesEachQuarterOnAThreadOfItsOwn) {
    StoreMaxRecursion(2);
    std::string serial = RenderWithThreads(1, 64, 40);
    auto recorder = std::make_unique<ThreadRecorder>(4);
    ThreadRecorder* tracers = recorder.get();
    doc->AddObjectAtTail(std::move(recorder));
    ASSERT_TRUE(doc->m_image.SetSize(64, 40));
    RenderJob job = WholePictureJob(doc.get(), 64, 40);
    job.parts = 4; // whatever the thread count says
    RunRender(&job);
    EXPECT_EQ(serial, EncodePpm(doc->m_image));
    std::set<std::thread::id> threads = tracers->Threads();
    EXPECT_EQ(4u, threads.size());
    EXPECT_EQ(0u, threads.count(std::this_thread::get_id()));
    ASSERT_EQ(1u, platform.m_messages.size());
    EXPECT_EQ("Finished Rendering", platform.m_messages[0].caption);
}

} // namespace
