// A render on several threads must give the serial render's picture byte for byte, and look the
// same from outside: rows handed over in order, the progress after each row, the stop obeyed.

#include "RendererTestSupport.h"

#include "render/TaskPool.h"
#include "scene/Sphere.h"
#include "scene/WorldPlane.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace {

// An object no ray ever hits, so it leaves every picture as it is, that records the threads
// which test rays against it (its copies in a render's snapshot record on the original's
// record). The first threads wait (up to a time limit) until the expected number has arrived:
// otherwise one worker could trace a small picture alone before another starts, and the count
// seen would depend on scheduling.
class ThreadRecord {
public:
    explicit ThreadRecord(std::size_t expected) : m_expected(expected) {}

    double Arrive() {
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

class ThreadRecorder : public CSceneObject {
public:
    explicit ThreadRecorder(std::size_t expected)
        : m_record(std::make_shared<ThreadRecord>(expected)) {}

    double Intersect(CRay) override { return m_record->Arrive(); }
    std::unique_ptr<CSceneObject> Clone() const override { return CloneAs<ThreadRecorder>(); }
    std::set<std::thread::id> Threads() { return m_record->Threads(); }

private:
    std::shared_ptr<ThreadRecord> m_record;
};

class RendererParallel : public RenderFixture {
protected:
    std::string RenderWithThreads(unsigned threads, int width, int height,
                                  CRenderSink* sink = nullptr, std::stop_token stop = {}) {
        return RenderToPpm(*doc, width, height, {.threads = threads, .sink = sink, .stop = stop});
    }
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
    RenderOptions options = WholePicture(48, 30, {.threads = 4});
    EXPECT_TRUE(CanRenderInParallel(*CRenderScene::Snapshot(*doc), options));
    EXPECT_EQ(Golden("noise-48x30"), RenderWithThreads(4, 48, 30));

    // The draws of an object of another kind cannot be counted without drawing.
    auto other = std::make_unique<CSceneObject>();
    other->m_textureFlags = kTextureNoise;
    doc->AddObjectAtTail(std::move(other));
    EXPECT_FALSE(CanRenderInParallel(*CRenderScene::Snapshot(*doc), options));
    doc->m_objects.back()->m_textureFlags = 0;
    EXPECT_TRUE(CanRenderInParallel(*CRenderScene::Snapshot(*doc), options));
    options.threads = 1;
    EXPECT_FALSE(CanRenderInParallel(*CRenderScene::Snapshot(*doc), options));
    options.parts = 2;
    EXPECT_TRUE(CanRenderInParallel(*CRenderScene::Snapshot(*doc), options));

    // A noisy world plane is a plane: its draws are counted as an eye-relative plane's.
    auto floor = std::make_unique<CWorldPlane>(0.0, 1.0, 0.0, -40.0);
    floor->m_textureFlags = kTextureChecker | kTextureNoise;
    doc->AddObjectAtTail(std::move(floor));
    options.threads = 4;
    options.parts = 0;
    EXPECT_TRUE(CanRenderInParallel(*CRenderScene::Snapshot(*doc), options));
    EXPECT_EQ(RenderWithThreads(1, 48, 30), RenderWithThreads(4, 48, 30));
}

TEST_F(RendererParallel, RowsAreHandedOverAndReportedInOrder) {
    std::size_t pixelsAtLastRow = 0;
    std::vector<std::size_t> pixelsPerRow;
    RecordingProgress progress;
    progress.m_onRow = [&] {
        pixelsPerRow.push_back(progress.m_pixels - pixelsAtLastRow);
        pixelsAtLastRow = progress.m_pixels;
    };
    RenderWithThreads(3, 7, 100, &progress);
    ASSERT_EQ(100u, progress.m_positions.size());
    for (int y = 0; y < 100; ++y) {
        EXPECT_EQ(y, progress.m_positions[static_cast<std::size_t>(y)]);
        EXPECT_EQ(7u, pixelsPerRow[static_cast<std::size_t>(y)]);
    }
}

TEST_F(RendererParallel, EmptyPicturesAndTheStopRequest) {
    RecordingProgress none;
    RenderWithThreads(4, 9, 0, &none);
    RenderWithThreads(4, 0, 9, &none);
    EXPECT_EQ(0u, none.m_pixels);
    EXPECT_EQ(9u, none.m_positions.size()); // the zero-width picture still has its rows

    std::stop_source stop;
    RecordingProgress stopping([&] { stop.request_stop(); });
    RenderWithThreads(4, 16, 64, &stopping, stop.get_token());
    EXPECT_EQ(1u, stopping.m_positions.size());
    EXPECT_EQ(16u, stopping.m_pixels);
}

TEST_F(RendererParallel, TheRowsGoToAsManyWorkersAsAsked) {
    StoreMaxRecursion(2);
    std::string serial = RenderWithThreads(1, 64, 40);
    auto recorder = std::make_unique<ThreadRecorder>(3);
    ThreadRecorder* tracers = recorder.get();
    doc->AddObjectAtTail(std::move(recorder));
    // 3: not a likely core count, so that a default in its place would show.
    EXPECT_EQ(serial, RenderWithThreads(3, 64, 40));
    // Three workers traced; the calling thread only handed the rows over.
    std::set<std::thread::id> threads = tracers->Threads();
    EXPECT_EQ(3u, threads.size());
    EXPECT_EQ(0u, threads.count(std::this_thread::get_id()));
}

TEST_F(RendererParallel, EachQuarterIsTracedOnAThreadOfItsOwn) {
    StoreMaxRecursion(2);
    std::string serial = RenderWithThreads(1, 64, 40);
    auto recorder = std::make_unique<ThreadRecorder>(4);
    ThreadRecorder* tracers = recorder.get();
    doc->AddObjectAtTail(std::move(recorder));
    EXPECT_EQ(serial, RenderToPpm(*doc, 64, 40, {.parts = 4})); // whatever the thread count
    std::set<std::thread::id> threads = tracers->Threads();
    EXPECT_EQ(4u, threads.size());
    EXPECT_EQ(0u, threads.count(std::this_thread::get_id()));
}

// Two documents, each with its own scene, rendered at once on two threads (and on the workers
// of each), give each its own serial picture: a render reads nothing but its snapshot.
TEST_F(RendererParallel, TwoDocumentsRenderAtOnceOnTwoThreads) {
    CLumoDoc crowd;
    BuildCrowdScene(crowd, 3000);
    CLumoDoc noisy;
    BuildNoisyMirrorScene(noisy);
    StoreMaxRecursion(2);
    std::string crowdSerial = RenderToPpm(crowd, 96, 60);
    std::string noisySerial = RenderToPpm(noisy, 96, 60);
    ASSERT_NE(crowdSerial, noisySerial);
    for (int round = 0; round < 4; ++round) {
        // The options made here: the settings store is read on this thread only.
        RenderOptions options =
            WholePicture(96, 60, {.threads = round % 2 ? 3u : 1u, .parts = round >= 2 ? 4u : 0u});
        std::string crowdPicture;
        std::string noisyPicture;
        auto render = [&](CLumoDoc& document, std::string& picture) {
            picture = EncodePpm(Render(CRenderScene::Snapshot(document), options).picture);
        };
        std::thread first(render, std::ref(crowd), std::ref(crowdPicture));
        std::thread second(render, std::ref(noisy), std::ref(noisyPicture));
        first.join();
        second.join();
        EXPECT_EQ(crowdSerial, crowdPicture) << "round " << round;
        EXPECT_EQ(noisySerial, noisyPicture) << "round " << round;
    }
}

// A snapshot is the scene as it was: the document may change while its render runs.
TEST_F(RendererParallel, TheDocumentMayChangeWhileItsSnapshotRenders) {
    std::string before = RenderToPpm(*doc, 48, 30);
    auto scene = CRenderScene::Snapshot(*doc);
    doc->ClearScene();
    doc->m_lights.clear();
    doc->m_background = CColour(0, 0, 0);
    RenderResult result = Render(scene, WholePicture(48, 30));
    EXPECT_EQ(before, EncodePpm(result.picture));
    EXPECT_NE(before, RenderToPpm(*doc, 48, 30));
}

TEST(TaskPool, EveryIndexOnceAndTasksStartAtOnce) {
    std::vector<int> seen(1000, 0);
    ParallelFor(seen.size(), 4, [&](std::size_t i) { ++seen[i]; });
    EXPECT_EQ(std::vector<int>(1000, 1), seen);

    // Tasks never queue behind each other: three that wait for one another all finish, even
    // when started from inside a task.
    CTaskPool pool;
    std::mutex mutex;
    std::condition_variable all;
    int arrived = 0;
    auto meet = [&] {
        std::unique_lock lock(mutex);
        ++arrived;
        all.notify_all();
        all.wait(lock, [&] { return arrived >= 3; });
    };
    CTaskGroup outer(pool);
    ASSERT_TRUE(outer.Start([&] {
        CTaskGroup inner(pool);
        ASSERT_TRUE(inner.Start(meet));
        ASSERT_TRUE(inner.Start(meet));
        meet();
    }));
    outer.Wait();
    EXPECT_EQ(3, arrived);
    // The threads stay for the next tasks.
    std::size_t threads = pool.ThreadCount();
    CTaskGroup again(pool);
    ASSERT_TRUE(again.Start([] {}));
    again.Wait();
    EXPECT_EQ(threads, pool.ThreadCount());
}

} // namespace

namespace {

// A kind derived from a sphere that has not learnt to copy itself.
class CUncopyableSphere : public CSphere {};

} // namespace

// A snapshot never holds a copy cut down to its base: such a picture would be silently wrong.
TEST(RenderSceneDeath, AKindThatCannotCopyItselfEndsTheProcessWithAMessage) {
    CHeadlessPlatform platform;
    CPlatformScope scope(platform);
    CLumoDoc doc;
    EXPECT_EQ(nullptr, CUncopyableSphere().Clone());
    doc.AddObjectAtTail(std::make_unique<CUncopyableSphere>());
    // The task pool's threads may be running: the child starts afresh.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(CRenderScene::Snapshot(doc), "cannot be copied for a render");
}
