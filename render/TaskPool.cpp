#include "render/TaskPool.h"

#include <algorithm>
#include <atomic>
#include <system_error>

CTaskPool::~CTaskPool() {
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
        threads.swap(m_threads);
    }
    m_wake.notify_all();
    for (std::thread& thread : threads)
        thread.join();
}

CTaskPool& CTaskPool::Shared() {
    static CTaskPool pool;
    return pool;
}

bool CTaskPool::Start(std::function<void()> task) {
    std::unique_lock lock(m_mutex);
    m_queue.push_back(std::move(task));
    // Every queued task has an idle thread of its own waiting for it, or gets a new one.
    if (m_idle >= m_queue.size()) {
        lock.unlock();
        m_wake.notify_one();
        return true;
    }
    try {
        m_threads.emplace_back([this] { Serve(); });
    } catch (const std::system_error&) {
        m_queue.pop_back();
        return false;
    }
    return true;
}

std::size_t CTaskPool::ThreadCount() {
    std::lock_guard lock(m_mutex);
    return m_threads.size();
}

void CTaskPool::Serve() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        ++m_idle;
        m_wake.wait(lock, [this] { return m_closing || !m_queue.empty(); });
        --m_idle;
        if (m_queue.empty())
            return; // closing
        std::function<void()> task = std::move(m_queue.front());
        m_queue.pop_front();
        lock.unlock();
        task();
        task = nullptr; // what the task holds goes before the thread counts as idle again
        lock.lock();
    }
}

bool CTaskGroup::Start(std::function<void()> task) {
    {
        std::lock_guard lock(m_mutex);
        ++m_running;
    }
    bool started = m_pool.Start([this, task = std::move(task)]() mutable {
        task();
        task = nullptr; // what it holds goes before Wait returns
        std::lock_guard lock(m_mutex);
        if (--m_running == 0)
            m_finished.notify_all();
    });
    if (started) {
        ++m_started;
    } else {
        std::lock_guard lock(m_mutex);
        --m_running;
    }
    return started;
}

void CTaskGroup::Wait() {
    std::unique_lock lock(m_mutex);
    m_finished.wait(lock, [this] { return m_running == 0; });
}

void ParallelFor(std::size_t count, unsigned threads,
                 const std::function<void(std::size_t)>& body) {
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i; (i = next++) < count;)
            body(i);
    };
    CTaskGroup helpers;
    std::size_t wanted = std::min<std::size_t>(std::max(threads, 1u), count);
    for (std::size_t i = 1; i < wanted; ++i)
        if (!helpers.Start(work))
            break;
    work();
    helpers.Wait();
}
