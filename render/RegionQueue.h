#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>

// The finished rows of a render split into parts, each traced by a worker of its own: workers
// post each row segment as they finish it, and the calling thread takes them in the order they
// came to paint them on the view.
class CRegionQueue {
public:
    struct Segment {
        unsigned y;
        unsigned left;
        unsigned right;
    };

    CRegionQueue() = default;
    CRegionQueue(const CRegionQueue&) = delete;
    CRegionQueue& operator=(const CRegionQueue&) = delete;

    void Post(Segment segment) {
        std::lock_guard lock(m_mutex);
        m_finished.push_back(segment);
        m_changed.notify_all();
    }

    // A worker counts itself in before it starts and out when it has posted its last row.
    void WorkerStarting() {
        std::lock_guard lock(m_mutex);
        ++m_running;
    }
    void WorkerFinished() {
        std::lock_guard lock(m_mutex);
        --m_running;
        m_changed.notify_all();
    }

    // Blocks until a segment is finished (true) or every worker has stopped (false).
    bool Take(Segment& segment) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return !m_finished.empty() || m_running == 0; });
        if (m_finished.empty())
            return false;
        segment = m_finished.front();
        m_finished.pop_front();
        return true;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Segment> m_finished; // under the mutex
    unsigned m_running = 0;         // under the mutex
};
