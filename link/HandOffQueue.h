#pragma once
// CHandOffQueue: hands work from worker threads to the UI thread, in order,
// and waits until it has been applied. A UI thread that waits for a worker
// (a page being destroyed, an editor restarting its worker) keeps running
// that worker's pending requests while it waits, so the hand-off can never
// deadlock. No Qt here: the UI side is told through IUiThread, so that the
// ThreadSanitizer build covers the queue.

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class CHandOffQueue {
public:
    class IUiThread {
    public:
        virtual ~IUiThread() = default;
        // A UI thread exists (it serves the queue from its event loop).
        virtual bool Exists() const = 0;
        virtual bool IsCurrent() const = 0;
        // Asks the UI thread to call ServeAll() soon; any thread.
        virtual void Wake() = 0;
    };

    explicit CHandOffQueue(IUiThread& ui) : m_ui(ui) {}

    // From a worker thread: runs `fn` on the UI thread and returns once it
    // has run. Returns false without running it when `running` is (or
    // becomes, before the UI thread gets to it) false, or while the windows
    // close: a page being destroyed is never touched. Called on the UI thread
    // itself, runs `fn` at once.
    bool Invoke(const std::atomic<bool>& running, const std::function<void()>& fn);
    // From the UI thread: joins `worker`, serving its (and any worker's)
    // pending requests until it has ended. From another thread: joins.
    void JoinServing(std::thread& worker);
    // Runs every request pending now (UI thread); true when any ran or was refused.
    bool ServeAll();
    void SetClosing(bool closing) { m_closing = closing; }

private:
    // One hand-off, living on the waiting worker's stack until `done`.
    struct Request {
        const std::atomic<bool>* running = nullptr;
        const std::function<void()>* fn = nullptr;
        bool done = false;
        bool ran = false;
    };

    IUiThread& m_ui;
    std::atomic<bool> m_closing{false};
    std::mutex m_lock;
    std::condition_variable m_changed;  // a request arrived, a request was served, or a join ended
    std::deque<Request*> m_pending;
};
