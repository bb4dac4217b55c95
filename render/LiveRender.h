#pragma once

#include "core/Image.h"
#include "render/RenderOptions.h"
#include "render/RenderScene.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

// The live view's renders, on a thread of their own so that the window never waits: each
// request cancels the render in flight and renders the new snapshot progressively (coarse
// blocks first, CRenderOptions::progressive), then, when an object is selected, the pixels it
// covers for its outline. What is done so far is kept in a frame that the caller's thread
// takes when it is told (the notify callback, called on the render's thread at most about
// sixty times a second and after every pass, and not again until the frame is taken).
class CLiveRender {
public:
    static constexpr std::size_t kNoSelection = ~std::size_t{0};

    // What the window's thread takes: the rows changed since it last took a frame, as RGB
    // bytes of a picture of the render's size.
    struct Frame {
        unsigned long generation = 0; // of the request the frame shows
        unsigned width = 0;
        unsigned height = 0;
        std::vector<std::uint8_t> rgb; // width × height × 3, valid in [dirtyTop, dirtyBottom)
        unsigned dirtyTop = 0;
        unsigned dirtyBottom = 0;
        unsigned step = 0; // the finest pass finished (0: none yet)
        int progress = 0;  // of all passes, 0 to 100
        bool finished = false;
        CImage picture; // the render's picture, once finished (moved out of the render once)
        // One byte per pixel, 1 where the selected object is seen first; empty when none.
        std::vector<std::uint8_t> coverage;
        bool hasCoverage = false;
    };

    explicit CLiveRender(std::function<void()> notify);
    ~CLiveRender();
    CLiveRender(const CLiveRender&) = delete;
    CLiveRender& operator=(const CLiveRender&) = delete;

    // Cancels what is in flight and renders the scene as the options say (made progressive);
    // `render` false keeps the last picture and only finds the selection's coverage. The
    // request's generation, which its frames carry.
    unsigned long Start(std::shared_ptr<const CRenderScene> scene, RenderOptions options,
                        std::size_t selection, bool render = true);
    // Cancels what is in flight and waits until the thread is idle (a Go render wants every
    // core and the screen).
    void Cancel();
    bool IsIdle();

    // Moves what changed since the last call into the frame (rows, passes, the finished
    // picture and coverage); false when nothing has.
    bool Take(Frame& frame);

private:
    struct Job {
        unsigned long generation = 0;
        std::shared_ptr<const CRenderScene> scene;
        RenderOptions options;
        std::size_t selection = kNoSelection;
        bool render = true;
    };
    class CFrameSink;

    void Run(std::stop_token stop);
    void Execute(const Job& job, std::stop_token stop);
    // Tells the window's thread once, until it takes the frame.
    void Notify();

    std::function<void()> m_notify;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    // Under the mutex:
    bool m_hasJob = false;
    Job m_job;
    bool m_busy = false;
    std::stop_source m_current;
    unsigned long m_generation = 0;
    bool m_notified = false;
    Frame m_shared;        // the frame being built; Take moves its news out
    std::jthread m_thread; // last: started once everything above exists
};
