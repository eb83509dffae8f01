#pragma once
// CJobControl: how a long drive job (an export, a load, a scan) is told to
// stop and how far it has got. Any thread may cancel or read the progress;
// the job itself checks Cancelled() between exchanges and waits through
// SleepFor(), which returns early on a cancel.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

class CJobControl {
public:
    void Cancel();
    bool Cancelled() const { return m_cancelled.load(); }
    // Waits `duration`, or less when cancelled meanwhile; false when cancelled.
    bool SleepFor(std::chrono::milliseconds duration);

    void SetProgress(uint64_t done, uint64_t total);
    uint64_t Done() const { return m_done.load(); }
    uint64_t Total() const { return m_total.load(); }

private:
    std::atomic<bool> m_cancelled{false};
    std::atomic<uint64_t> m_done{0};
    std::atomic<uint64_t> m_total{0};
    std::mutex m_lock;
    std::condition_variable m_wake;
};
