#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>

namespace tamarisk::core {

/// How far one thread has got, told to another that waits for it. A mutex and a condition variable, not
/// std::atomic::wait: that hung now and then in the MinGW build of GCC 12's library.
class Progress {
public:
    void tell(std::size_t done) {
        {
            const std::lock_guard lock(m_mutex);
            m_done.store(done, std::memory_order_release);
        }
        m_changed.notify_one();
    }

    /// No more will be told: a waiter is let go with what is done.
    void close() {
        {
            const std::lock_guard lock(m_mutex);
            m_closed = true;
        }
        m_changed.notify_one();
    }

    /// Waits until at least n are done or the telling is closed; returns how many are done.
    std::size_t waitFor(std::size_t n) {
        if (const std::size_t done = m_done.load(std::memory_order_acquire); done >= n)
            return done;
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_closed || m_done.load(std::memory_order_relaxed) >= n; });
        return m_done.load(std::memory_order_relaxed);
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::atomic<std::size_t> m_done{0}; // written under the mutex, read without it on the way through
    bool m_closed = false;
};

} // namespace tamarisk::core
