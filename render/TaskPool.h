#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// The program's worker threads, shared by every parallel loop: a render's rows and parts, the
// hierarchy build's halves and the PNG encoder's bands. A task always starts at once on a
// thread of its own: an idle one when there is one, else a new one, so tasks never wait
// behind each other and a task may start and wait for tasks of its own (a render's hierarchy
// build). The threads stay for the next tasks and are joined when the pool goes.
class CTaskPool {
public:
    CTaskPool() = default;
    CTaskPool(const CTaskPool&) = delete;
    CTaskPool& operator=(const CTaskPool&) = delete;
    ~CTaskPool();

    // The process's pool.
    static CTaskPool& Shared();

    // Runs the task on a pool thread; false (and the task never runs) when no thread could be
    // started.
    bool Start(std::function<void()> task);

    // Threads the pool holds, busy or idle.
    std::size_t ThreadCount();

private:
    void Serve();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_queue; // under the mutex
    std::size_t m_idle = 0;                    // under the mutex
    bool m_closing = false;                    // under the mutex
    std::vector<std::thread> m_threads;        // under the mutex
};

// Tasks started together on a pool and waited for together; waits in its destructor too.
class CTaskGroup {
public:
    explicit CTaskGroup(CTaskPool& pool = CTaskPool::Shared()) : m_pool(pool) {}
    CTaskGroup(const CTaskGroup&) = delete;
    CTaskGroup& operator=(const CTaskGroup&) = delete;
    ~CTaskGroup() { Wait(); }

    // False when no thread could be started for it; the task then never runs.
    bool Start(std::function<void()> task);
    // Tasks started so far.
    std::size_t Count() const { return m_started; }
    // Returns when every task started has returned.
    void Wait();

private:
    CTaskPool& m_pool;
    std::mutex m_mutex;
    std::condition_variable m_finished;
    std::size_t m_running = 0; // under the mutex
    std::size_t m_started = 0;
};

// Calls body(i) once for every i of [0, count), on up to `threads` threads at once, the calling
// one among them; returns when every call has returned. A helper thread that cannot start
// leaves its share to the others.
void ParallelFor(std::size_t count, unsigned threads, const std::function<void(std::size_t)>& body);
