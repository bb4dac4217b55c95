#pragma once

#include "render/WorkerTally.h"

#include <atomic>
#include <mutex>
#include <vector>

// The rows of a parallel render: workers take the next untraced row, trace it into the image
// and mark it done; the calling thread waits for the rows in order and paints each on the view
// as soon as it is finished, so the picture still builds up from the top.
class CRowQueue : public CWorkerTally {
public:
    CRowQueue(unsigned top, unsigned bottom) : m_top(top), m_bottom(bottom), m_next(top) {
        m_done.assign(bottom - top, 0);
    }

    // The next row nobody has taken, or false when every row is taken.
    bool Take(unsigned& row) {
        row = m_next.fetch_add(1);
        return row < m_bottom;
    }
    // Wakes the calling thread only for the row it waits for: the others it finds done.
    void MarkDone(unsigned row) {
        std::lock_guard lock(m_mutex);
        m_done[row - m_top] = 1;
        if (row == m_waitingFor)
            m_changed.notify_all();
    }

    bool IsDone(unsigned row) {
        std::lock_guard lock(m_mutex);
        return m_done[row - m_top] != 0;
    }
    // Blocks until the row is done (true) or every worker has stopped without it (false).
    bool WaitFor(unsigned row) {
        std::unique_lock lock(m_mutex);
        m_waitingFor = row;
        m_changed.wait(lock, [&] { return m_done[row - m_top] || m_running == 0; });
        m_waitingFor = kNone;
        return m_done[row - m_top] != 0;
    }

private:
    const unsigned m_top;
    const unsigned m_bottom;
    std::atomic<unsigned> m_next;
    std::vector<char> m_done; // per row, under the mutex
    static constexpr unsigned kNone = ~0u;
    unsigned m_waitingFor = kNone; // under the mutex
};
