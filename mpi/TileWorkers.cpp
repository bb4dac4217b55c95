#include "mpi/TileWorkers.h"

#include "core/Image.h"
#include "render/TileRender.h"

#include <new>

CTileWorkers::CTileWorkers(const CTileRender& render, unsigned threads) : m_render(render) {
    for (unsigned i = 0; i < std::max(threads, 1u); ++i)
        if (!m_workers.Start([this] { Work(); }))
            break;
}

CTileWorkers::~CTileWorkers() {
    {
        std::lock_guard lock(m_mutex);
        m_stop.request_stop();
    }
    m_jobAdded.notify_all();
    m_workers.Wait();
}

void CTileWorkers::Add(std::vector<CTileJob> jobs) {
    {
        std::lock_guard lock(m_mutex);
        for (CTileJob& job : jobs)
            m_jobs.push_back(std::move(job));
    }
    m_jobAdded.notify_all();
}

std::size_t CTileWorkers::Waiting() const {
    std::lock_guard lock(m_mutex);
    return m_jobs.size();
}

bool CTileWorkers::Idle() const {
    std::lock_guard lock(m_mutex);
    return m_jobs.empty() && m_busy == 0 && m_messages.empty();
}

std::vector<CTileWorkers::CMessage> CTileWorkers::TakeMessages() {
    std::vector<CMessage> taken;
    std::lock_guard lock(m_mutex);
    taken.swap(m_messages);
    return taken;
}

void CTileWorkers::WaitForMessage(std::chrono::microseconds most) {
    std::unique_lock lock(m_mutex);
    m_messageAdded.wait_for(lock, most, [&] { return !m_messages.empty(); });
}

void CTileWorkers::Work() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_jobAdded.wait(lock, [&] { return m_stop.stop_requested() || !m_jobs.empty(); });
        if (m_stop.stop_requested())
            return;
        CTileJob job = std::move(m_jobs.front());
        m_jobs.pop_front();
        ++m_busy;
        lock.unlock();
        CMessage message = Do(job);
        lock.lock();
        --m_busy;
        if (m_stop.stop_requested())
            return;
        m_messages.push_back(std::move(message));
        m_messageAdded.notify_all();
    }
}

CTileWorkers::CMessage CTileWorkers::Do(const CTileJob& job) {
    std::stop_token stop = m_stop.get_token();
    try {
        if (job.kind == CTileJob::count) {
            CTileCount count;
            count.index = job.index;
            auto start = std::chrono::steady_clock::now();
            m_render.CountRowDraws(job.region, count.rowDraws, stop);
            count.seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            return {CTileMessages::kCounted, CTileMessages::EncodeCount(count)};
        }
        CImage tile;
        if (!m_render.Trace(job.region, job.rowStarts, tile, stop) && !stop.stop_requested())
            return {CTileMessages::kFailed,
                    CTileMessages::EncodeFailure(
                        "cannot trace tile " + std::to_string(job.index) +
                        (tile.HasPlanes() ? ": its noise starts are missing" : ": out of memory"))};
        return {CTileMessages::kTraced, CTileMessages::EncodePixels(job.index, job.region, tile)};
    } catch (const std::bad_alloc&) {
        return {CTileMessages::kFailed, CTileMessages::EncodeFailure("out of memory")};
    }
}
