#include "HandOffQueue.h"

bool CHandOffQueue::ServeAll()
{
    bool any = false;
    for (;;) {
        Request* request = nullptr;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (m_pending.empty()) break;
            request = m_pending.front();
            m_pending.pop_front();
        }
        any = true;
        // The running flag is cleared only on this thread (by the page being
        // destroyed), so it cannot change between this check and the call.
        const bool run = request->running->load() && !m_closing.load();
        if (run) (*request->fn)();
        {
            std::lock_guard<std::mutex> guard(m_lock);
            request->ran = run;
            request->done = true;
        }
        m_changed.notify_all();
    }
    return any;
}

bool CHandOffQueue::Invoke(const std::atomic<bool>& running, const std::function<void()>& fn)
{
    if (!running.load() || m_closing.load()) return false;
    if (m_ui.IsCurrent()) {
        fn();
        return true;
    }
    Request request;
    request.running = &running;
    request.fn = &fn;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_pending.push_back(&request);
    }
    m_changed.notify_all();  // a UI thread waiting in JoinServing
    m_ui.Wake();             // a UI thread in its event loop
    std::unique_lock<std::mutex> guard(m_lock);
    m_changed.wait(guard, [&] { return request.done; });
    return request.ran;
}

void CHandOffQueue::JoinServing(std::thread& worker)
{
    if (!worker.joinable()) return;
    if (worker.get_id() == std::this_thread::get_id()) {
        worker.detach();  // a worker cannot wait for itself
        return;
    }
    if (m_ui.Exists() && !m_ui.IsCurrent()) {
        worker.join();  // the UI thread serves the hand-offs from its event loop
        return;
    }
    bool joined = false;
    // std::thread cannot be asked whether it has ended, so a helper joins it
    // while this thread keeps serving the hand-offs it may still be waiting on.
    std::thread joiner([&] {
        worker.join();
        {
            std::lock_guard<std::mutex> guard(m_lock);
            joined = true;
        }
        m_changed.notify_all();
    });
    for (;;) {
        ServeAll();
        std::unique_lock<std::mutex> guard(m_lock);
        m_changed.wait(guard, [&] { return joined || !m_pending.empty(); });
        if (joined && m_pending.empty()) break;
    }
    joiner.join();
}
