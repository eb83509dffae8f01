#include "JobControl.h"

void CJobControl::Cancel()
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_cancelled = true;
    }
    m_wake.notify_all();
}

bool CJobControl::SleepFor(std::chrono::milliseconds duration)
{
    std::unique_lock<std::mutex> guard(m_lock);
    return !m_wake.wait_for(guard, duration, [this] { return m_cancelled.load(); });
}

void CJobControl::SetProgress(uint64_t done, uint64_t total)
{
    m_total = total;
    m_done = done;
}
