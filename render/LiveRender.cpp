#include "render/LiveRender.h"

#include "render/ObjectPicker.h"
#include "render/Render.h"
#include "render/RenderSink.h"

#include <algorithm>
#include <chrono>
#include <cstring>

// The rows of the render into the shared frame, and the window told now and then.
class CLiveRender::CFrameSink : public CRenderSink {
public:
    CFrameSink(CLiveRender& live, unsigned long generation)
        : m_live(live), m_generation(generation) {}

    void RowFinished(const CImage& picture, unsigned y, unsigned left, unsigned right) override {
        std::lock_guard lock(m_live.m_mutex);
        Frame& frame = m_live.m_shared;
        if (frame.generation != m_generation)
            return;
        std::uint8_t* rgb = frame.rgb.data() + (std::size_t{y} * frame.width) * 3;
        std::size_t offset = std::size_t{y} * static_cast<std::size_t>(picture.GetWidth());
        for (unsigned x = left; x < right; ++x) {
            rgb[3 * x] = picture.GetRedPlane()[offset + x];
            rgb[3 * x + 1] = picture.GetGreenPlane()[offset + x];
            rgb[3 * x + 2] = picture.GetBluePlane()[offset + x];
        }
        if (frame.dirtyTop >= frame.dirtyBottom) {
            frame.dirtyTop = y;
            frame.dirtyBottom = y + 1;
        } else {
            frame.dirtyTop = std::min(frame.dirtyTop, y);
            frame.dirtyBottom = std::max(frame.dirtyBottom, y + 1);
        }
    }

    void Progress(int position) override {
        {
            std::lock_guard lock(m_live.m_mutex);
            m_live.m_shared.progress = position;
        }
        auto now = std::chrono::steady_clock::now();
        if (now - m_lastNotified >= std::chrono::milliseconds(15)) {
            m_lastNotified = now;
            m_live.Notify();
        }
    }

    void PassFinished(unsigned step) override {
        {
            std::lock_guard lock(m_live.m_mutex);
            m_live.m_shared.step = step;
        }
        m_lastNotified = std::chrono::steady_clock::now();
        m_live.Notify();
    }

private:
    CLiveRender& m_live;
    unsigned long m_generation;
    std::chrono::steady_clock::time_point m_lastNotified;
};

CLiveRender::CLiveRender(std::function<void()> notify)
    : m_notify(std::move(notify)), m_thread([this](std::stop_token stop) { Run(stop); }) {}

CLiveRender::~CLiveRender() {
    {
        std::lock_guard lock(m_mutex);
        m_current.request_stop();
        m_hasJob = false;
    }
    m_thread.request_stop();
    m_changed.notify_all();
    // The jthread joins here.
}

unsigned long CLiveRender::Start(std::shared_ptr<const CRenderScene> scene, RenderOptions options,
                                 std::size_t selection, bool render) {
    std::lock_guard lock(m_mutex);
    m_current.request_stop();
    options.progressive = true;
    m_job = Job{++m_generation, std::move(scene), options, selection, render};
    m_hasJob = true;
    m_changed.notify_all();
    return m_generation;
}

void CLiveRender::Cancel() {
    std::unique_lock lock(m_mutex);
    m_hasJob = false;
    m_current.request_stop();
    m_changed.wait(lock, [this] { return !m_busy; });
}

bool CLiveRender::IsIdle() {
    std::lock_guard lock(m_mutex);
    return !m_busy && !m_hasJob;
}

void CLiveRender::Notify() {
    {
        std::lock_guard lock(m_mutex);
        if (m_notified)
            return;
        m_notified = true;
    }
    m_notify();
}

bool CLiveRender::Take(Frame& frame) {
    std::lock_guard lock(m_mutex);
    m_notified = false;
    Frame& shared = m_shared;
    bool news = shared.generation != frame.generation || shared.dirtyTop < shared.dirtyBottom ||
                shared.step != frame.step || shared.finished != frame.finished ||
                shared.hasCoverage || shared.progress != frame.progress;
    if (!news)
        return false;
    // A new render of the same size paints over the last picture: no white between the two.
    if (frame.width != shared.width || frame.height != shared.height) {
        frame.width = shared.width;
        frame.height = shared.height;
        frame.rgb.assign(shared.rgb.size(), 255);
    }
    if (frame.generation != shared.generation) {
        frame.coverage.clear();
        frame.picture = CImage();
    }
    frame.generation = shared.generation;
    frame.dirtyTop = shared.dirtyTop;
    frame.dirtyBottom = shared.dirtyBottom;
    if (shared.dirtyTop < shared.dirtyBottom) {
        std::size_t begin = std::size_t{shared.dirtyTop} * shared.width * 3;
        std::size_t end = std::size_t{shared.dirtyBottom} * shared.width * 3;
        std::memcpy(frame.rgb.data() + begin, shared.rgb.data() + begin, end - begin);
    }
    shared.dirtyTop = shared.dirtyBottom = 0;
    frame.step = shared.step;
    frame.progress = shared.progress;
    frame.finished = shared.finished;
    if (shared.picture.HasPlanes())
        frame.picture = std::move(shared.picture);
    frame.hasCoverage = shared.hasCoverage;
    if (shared.hasCoverage)
        frame.coverage = std::move(shared.coverage);
    shared.hasCoverage = false;
    return true;
}

void CLiveRender::Run(std::stop_token stop) {
    std::stop_callback wake(stop, [this] { m_changed.notify_all(); });
    for (;;) {
        Job job;
        std::stop_token token;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return m_hasJob || stop.stop_requested(); });
            if (stop.stop_requested())
                return;
            job = std::move(m_job);
            m_hasJob = false;
            m_busy = true;
            m_current = std::stop_source();
            token = m_current.get_token();
        }
        Execute(job, token);
        {
            std::lock_guard lock(m_mutex);
            m_busy = false;
        }
        m_changed.notify_all();
    }
}

void CLiveRender::Execute(const Job& job, std::stop_token stop) {
    const RenderOptions& options = job.options;
    if (job.render) {
        {
            std::lock_guard lock(m_mutex);
            Frame& frame = m_shared;
            if (frame.width != options.width || frame.height != options.height) {
                frame.width = options.width;
                frame.height = options.height;
                frame.rgb.assign(std::size_t{options.width} * options.height * 3, 255);
            }
            frame.generation = job.generation;
            frame.dirtyTop = frame.dirtyBottom = 0;
            frame.step = 0;
            frame.progress = 0;
            frame.finished = false;
            frame.picture = CImage();
            frame.coverage.clear();
            frame.hasCoverage = false;
        }
        CFrameSink sink(*this, job.generation);
        RenderResult result = Render(job.scene, options, &sink, stop);
        if (result.status != RenderResult::finished)
            return;
        {
            std::lock_guard lock(m_mutex);
            if (m_shared.generation != job.generation)
                return;
            // A noisy scene that could not be traced progressively came in one pass.
            m_shared.step = 1;
            m_shared.progress = 100;
            m_shared.finished = true;
            m_shared.picture = std::move(result.picture);
        }
        Notify();
    } else {
        std::lock_guard lock(m_mutex);
        m_shared.generation = job.generation;
    }
    if (job.selection == kNoSelection) {
        std::lock_guard lock(m_mutex);
        m_shared.coverage.clear();
        m_shared.hasCoverage = true;
    } else {
        CObjectPicker picker(job.scene, options.width, options.height);
        std::vector<std::uint8_t> coverage =
            picker.Coverage(job.selection, std::max(1u, options.threads), stop);
        if (stop.stop_requested())
            return;
        std::lock_guard lock(m_mutex);
        if (m_shared.generation != job.generation)
            return;
        m_shared.coverage = std::move(coverage);
        m_shared.hasCoverage = true;
    }
    Notify();
}
