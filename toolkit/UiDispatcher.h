#pragma once
// Hands work from worker threads to the UI thread, in order, and waits until
// it has been applied. A UI thread that waits for a worker (a page being
// destroyed, an editor restarting its worker) keeps running that worker's
// pending requests while it waits, so the hand-off can never deadlock.
// The Qt face of CHandOffQueue (link/HandOffQueue.h), which holds the rules.

#include <atomic>
#include <functional>
#include <thread>

class CUiDispatcher {
public:
    // From a worker thread: runs `fn` on the UI thread and returns once it
    // has run. Returns false without running it when `running` is (or becomes,
    // before the UI thread gets to it) false: a page being destroyed is never
    // touched. Called on the UI thread itself, runs `fn` at once.
    static bool Invoke(const std::atomic<bool>& running, const std::function<void()>& fn);

    // From the UI thread: joins `worker`, serving its (and any worker's)
    // pending requests until it has ended.
    static void JoinServing(std::thread& worker);

    // Runs every request that is pending now (UI thread only).
    static void ServePending();

    // While the main window is being destroyed, no hand-off runs: the pages
    // are taken down one after another, and a worker of a page not yet
    // reached must not show a message (or touch a control) in the meantime.
    static void SetWindowsClosing(bool closing);
};
