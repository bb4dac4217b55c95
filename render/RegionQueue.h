#pragma once

#include "render/WorkerTally.h"

#include <deque>
#include <mutex>

// The finished rows of a render split into parts, each traced by a worker of its own: workers
// post each row segment as they finish it, and the calling thread takes them in the order they
// came to paint them on the view.
class CRegionQueue : public CWorkerTally {
public:
    struct Segment {
        unsigned y;
        unsigned left;
        unsigned right;
    };

    void Post(Segment segment) {
        std::lock_guard lock(m_mutex);
        m_finished.push_back(segment);
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
    std::deque<Segment> m_finished; // under the mutex
};
