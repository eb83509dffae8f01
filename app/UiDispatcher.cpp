#include "UiDispatcher.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace {

// One hand-off, living on the waiting worker's stack until `done`.
struct Request {
    const std::atomic<bool>* running = nullptr;
    const std::function<void()>* fn = nullptr;
    bool done = false;
    bool ran = false;
};

struct Queue {
    std::mutex lock;
    std::condition_variable changed;  // a request arrived, a request was served, or a join ended
    std::deque<Request*> pending;
};

std::atomic<bool> g_windowsClosing{false};

Queue& TheQueue() {
    static Queue queue;
    return queue;
}

bool OnUiThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

// Serves requests until the queue is empty; true when any was served.
bool ServeAll() {
    Queue& q = TheQueue();
    bool any = false;
    for (;;) {
        Request* request = nullptr;
        {
            std::lock_guard<std::mutex> guard(q.lock);
            if (q.pending.empty()) break;
            request = q.pending.front();
            q.pending.pop_front();
        }
        any = true;
        // The running flag is cleared only on this thread (by the page being
        // destroyed), so it cannot change between this check and the call.
        const bool run = request->running->load() && !g_windowsClosing.load();
        if (run) (*request->fn)();
        {
            std::lock_guard<std::mutex> guard(q.lock);
            request->ran = run;
            request->done = true;
        }
        q.changed.notify_all();
    }
    return any;
}

}  // namespace

bool CUiDispatcher::Invoke(const std::atomic<bool>& running, const std::function<void()>& fn) {
    if (!running.load() || g_windowsClosing.load()) return false;
    if (OnUiThread()) {
        fn();
        return true;
    }
    Request request;
    request.running = &running;
    request.fn = &fn;
    Queue& q = TheQueue();
    {
        std::lock_guard<std::mutex> guard(q.lock);
        q.pending.push_back(&request);
    }
    q.changed.notify_all();  // a UI thread waiting in JoinServing
    if (QCoreApplication* app = QCoreApplication::instance()) {
        // A UI thread in its event loop.
        QMetaObject::invokeMethod(app, [] { ServeAll(); }, Qt::QueuedConnection);
    }
    std::unique_lock<std::mutex> guard(q.lock);
    q.changed.wait(guard, [&] { return request.done; });
    return request.ran;
}

void CUiDispatcher::JoinServing(std::thread& worker) {
    if (!worker.joinable()) return;
    if (worker.get_id() == std::this_thread::get_id()) {
        worker.detach();  // a worker cannot wait for itself
        return;
    }
    if (QCoreApplication::instance() && !OnUiThread()) {
        worker.join();  // the UI thread serves the hand-offs from its event loop
        return;
    }
    Queue& q = TheQueue();
    bool joined = false;
    // std::thread cannot be asked whether it has ended, so a helper joins it
    // while this thread keeps serving the hand-offs it may still be waiting on.
    std::thread joiner([&] {
        worker.join();
        {
            std::lock_guard<std::mutex> guard(q.lock);
            joined = true;
        }
        q.changed.notify_all();
    });
    for (;;) {
        ServeAll();
        std::unique_lock<std::mutex> guard(q.lock);
        q.changed.wait(guard, [&] { return joined || !q.pending.empty(); });
        if (joined && q.pending.empty()) break;
    }
    joiner.join();
}

void CUiDispatcher::ServePending() { ServeAll(); }

void CUiDispatcher::SetWindowsClosing(bool closing) { g_windowsClosing = closing; }
