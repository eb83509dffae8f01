#pragma once
#include <chrono>
#include <condition_variable>
#include <mutex>

// One Set releases exactly one waiter (or the next Wait) and resets itself.
class CAutoResetEvent {
public:
    void Set()
    {
        {
            std::lock_guard<std::mutex> g(m_mutex);
            m_signalled = true;
        }
        m_cv.notify_one();
    }
    void Reset()
    {
        std::lock_guard<std::mutex> g(m_mutex);
        m_signalled = false;
    }
    // True if signalled within the time-out; consumes the signal.
    bool Wait(std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lk(m_mutex);
        if (!m_cv.wait_for(lk, timeout, [this] { return m_signalled; })) return false;
        m_signalled = false;
        return true;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_signalled = false;
};
