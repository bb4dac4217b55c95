// The live view's renders on a thread of their own: frames taken while they refine, the
// finished one the serial picture, a new request cancelling the one in flight.

#include "RendererTestSupport.h"

#include "render/LiveRender.h"
#include "render/ObjectPicker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

class LiveRender : public RenderFixture {
protected:
    void Notified() {
        std::lock_guard lock(m_mutex);
        ++m_notifications;
        m_changed.notify_all();
    }
    // Takes frames as they are announced until one is finished with its coverage (or the
    // time runs out); false then.
    bool TakeUntilDone(CLiveRender& live, CLiveRender::Frame& frame, unsigned long generation) {
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        for (;;) {
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait_until(lock, end, [&] { return m_notifications > m_seen; });
                if (m_notifications == m_seen)
                    return false;
                m_seen = m_notifications;
            }
            if (live.Take(frame))
                ++m_frames;
            if (frame.generation == generation && frame.finished && frame.hasCoverage)
                return true;
        }
    }
    RenderOptions Options(int width, int height, unsigned threads = 2) {
        RenderOptions options = WholePicture(width, height, {.threads = threads});
        return options;
    }
    std::string FrameRows(const CLiveRender::Frame& frame) {
        std::string bytes =
            "P6\n" + std::to_string(frame.width) + " " + std::to_string(frame.height) + "\n255\n";
        bytes.append(reinterpret_cast<const char*>(frame.rgb.data()), frame.rgb.size());
        return bytes;
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_notifications = 0;
    int m_seen = 0;
    int m_frames = 0;
};

} // namespace

TEST_F(LiveRender, FramesRefineToTheSerialPictureAndTheOutlineIsThePickersCoverage) {
    std::string serial = RenderToPpm(*doc, 96, 64);
    CLiveRender live([this] { Notified(); });
    unsigned long generation = live.Start(CRenderScene::Snapshot(*doc), Options(96, 64), 2);
    CLiveRender::Frame frame;
    ASSERT_TRUE(TakeUntilDone(live, frame, generation));
    EXPECT_EQ(1u, frame.step);
    EXPECT_EQ(100, frame.progress);
    ASSERT_TRUE(frame.picture.HasPlanes());
    EXPECT_EQ(serial, EncodePpm(frame.picture));
    EXPECT_EQ(serial, FrameRows(frame)) << "the rows taken are the picture's";
    CObjectPicker picker(CRenderScene::Snapshot(*doc), 96, 64);
    EXPECT_EQ(picker.Coverage(2, 1), frame.coverage);
    // Its work done, the thread goes idle (it says so just after the last frame).
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!live.IsIdle() && std::chrono::steady_clock::now() < end)
        std::this_thread::yield();
    EXPECT_TRUE(live.IsIdle());

    // Only the outline of another object: the picture is not traced again.
    generation = live.Start(CRenderScene::Snapshot(*doc), Options(96, 64), 3, false);
    ASSERT_TRUE(TakeUntilDone(live, frame, generation));
    EXPECT_EQ(picker.Coverage(3, 1), frame.coverage);
    EXPECT_EQ(serial, FrameRows(frame));
}

TEST_F(LiveRender, ANewRequestCancelsTheOneInFlightAndCancelWaitsForIdle) {
    BuildCrowdScene(*doc, 3000);
    StoreMaxRecursion(6);
    CLiveRender live([this] { Notified(); });
    auto slow = CRenderScene::Snapshot(*doc);
    live.Start(slow, Options(320, 240), CLiveRender::kNoSelection);
    // A change: the other scene, at another size.
    doc->BuildDefaultScene();
    std::string serial = RenderToPpm(*doc, 40, 30);
    unsigned long generation =
        live.Start(CRenderScene::Snapshot(*doc), Options(40, 30), CLiveRender::kNoSelection);
    CLiveRender::Frame frame;
    ASSERT_TRUE(TakeUntilDone(live, frame, generation));
    EXPECT_EQ(40u, frame.width);
    EXPECT_EQ(serial, EncodePpm(frame.picture));
    EXPECT_TRUE(frame.coverage.empty());

    live.Start(slow, Options(320, 240), CLiveRender::kNoSelection);
    live.Cancel();
    EXPECT_TRUE(live.IsIdle());
}
