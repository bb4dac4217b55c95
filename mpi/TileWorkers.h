#pragma once

#include "mpi/TileMessages.h"
#include "render/TaskPool.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <stop_token>
#include <string>
#include <vector>

class CTileRender;

// A rank's tracing threads. Each takes the next job of the rank's queue, does it with the tile
// render and leaves the message it gives (a count, a traced tile, or a failure) for the rank's
// main thread, the only one that speaks MPI, to send.
class CTileWorkers {
public:
    struct CMessage {
        CTileMessages::Tag tag;
        std::string bytes;
    };

    // Starts up to `threads` threads on the shared task pool.
    CTileWorkers(const CTileRender& render, unsigned threads);
    CTileWorkers(const CTileWorkers&) = delete;
    CTileWorkers& operator=(const CTileWorkers&) = delete;
    // Stops the threads after the jobs they are doing, and waits for them.
    ~CTileWorkers();

    // Threads that did start.
    std::size_t Threads() const { return m_workers.Count(); }

    void Add(std::vector<CTileJob> jobs);
    // Jobs that no thread has taken yet.
    std::size_t Waiting() const;
    // No job waiting or being done, and no message left to take.
    bool Idle() const;
    // The messages made since the last call, in the order they were made.
    std::vector<CMessage> TakeMessages();
    // Blocks until a message is there to take, or for at most that long.
    void WaitForMessage(std::chrono::microseconds most);

private:
    void Work();
    CMessage Do(const CTileJob& job);

    const CTileRender& m_render;
    std::stop_source m_stop;
    mutable std::mutex m_mutex;
    std::condition_variable m_jobAdded;
    std::condition_variable m_messageAdded;
    std::deque<CTileJob> m_jobs;      // under the mutex
    std::vector<CMessage> m_messages; // under the mutex
    unsigned m_busy = 0;              // under the mutex
    CTaskGroup m_workers;
};
