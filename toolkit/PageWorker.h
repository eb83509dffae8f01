#pragma once
// CPageWorker: the worker thread a window runs a long drive job on (a
// procedure, the object-list loader, the PDO editor's load and configure).
// It owns the thread, the running flag the hand-offs to the UI check, the
// stop event, and the live-poll pause, which lasts exactly as long as the
// job: no early return can leave the poll paused. Destroying it (with its
// window) stops the job and waits for it, serving its hand-offs meanwhile.

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "AutoResetEvent.h"

class CPageWorker {
public:
    enum class Poll { Keep, Pause };

    CPageWorker() = default;
    ~CPageWorker() { Stop(); }
    CPageWorker(const CPageWorker&) = delete;
    CPageWorker& operator=(const CPageWorker&) = delete;

    // UI thread: starts `job` on a new thread. False when a job is still
    // running or no thread could be started (nothing runs then).
    bool Start(std::function<void()> job, Poll poll = Poll::Keep);
    bool Running() const { return m_running.load(); }
    // UI thread: asks the job to stop and waits for its end (at most the
    // exchange in flight and the job's stop write).
    void Stop();

    // In the job: waits `period`; true when the job is to end now (a stop
    // was asked for, or the window is going).
    bool WaitForStop(std::chrono::milliseconds period) { return m_stop.Wait(period) || !m_running.load(); }
    // In the job: runs `fn` on the UI thread and returns once it has run;
    // false, without running it, when the window is going.
    bool Ui(const std::function<void()>& fn);
    // In the job, as its last step: runs `fn` on the UI thread and ends the
    // run there, so that the flag and what `fn` shows change together.
    void Finish(const std::function<void()>& fn);

private:
    void Run(const std::function<void()>& job, Poll poll);

    std::atomic<bool> m_running{false};
    CAutoResetEvent m_stop;
    std::thread m_thread;
};
