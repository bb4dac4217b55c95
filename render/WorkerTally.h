#pragma once

#include <condition_variable>
#include <mutex>

// The workers of a parallel render that are still running, for the queues through which they
// hand their rows to the calling thread: a worker counts itself in before it starts and out
// when it has handed over its last row, and the calling thread waits on the same condition for
// rows or for the last worker to stop.
class CWorkerTally {
public:
    CWorkerTally() = default;
    CWorkerTally(const CWorkerTally&) = delete;
    CWorkerTally& operator=(const CWorkerTally&) = delete;

    void WorkerStarting() {
        std::lock_guard lock(m_mutex);
        ++m_running;
    }
    void WorkerFinished() {
        std::lock_guard lock(m_mutex);
        --m_running;
        m_changed.notify_all();
    }

protected:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    unsigned m_running = 0; // under the mutex
};
