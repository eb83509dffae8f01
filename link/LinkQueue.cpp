#include "LinkQueue.h"

#include <algorithm>
#include <utility>

CLinkQueue::CLinkQueue(Notify notify) : m_notify(std::move(notify))
{
    m_thread = std::thread([this] { Run(); });
}

CLinkQueue::~CLinkQueue() { Stop(); }

uint64_t CLinkQueue::Submit(LinkPriority priority, std::function<void()> work, std::function<void()> done,
                            std::shared_ptr<CJobControl> control)
{
    const uint64_t id = m_nextId++;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_stopping) return 0;
        Job job{id, std::move(work), std::move(control)};
        (priority == LinkPriority::User ? m_user : m_periodic).push_back(std::move(job));
    }
    m_continuations.emplace(id, std::move(done));
    m_wake.notify_one();
    return id;
}

void CLinkQueue::Deliver(uint64_t id)
{
    auto it = m_continuations.find(id);
    if (it == m_continuations.end()) return;
    std::function<void()> done = std::move(it->second);
    m_continuations.erase(it);
    if (done) done();
}

size_t CLinkQueue::DropAll()
{
    std::deque<Job> dropped;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        std::deque<Job> kept;
        for (Job& job : m_user) (job.stopWrite ? kept : dropped).push_back(std::move(job));
        for (Job& job : m_periodic) dropped.push_back(std::move(job));
        m_user.swap(kept);
        m_periodic.clear();
        if (m_runningControl) m_runningControl->Cancel();
    }
    // A long job dropped before it began reads as cancelled to whoever waits on it.
    for (Job& job : dropped) {
        if (job.control) job.control->Cancel();
    }
    // Continuations are destroyed here, on the owner thread, where they live.
    m_continuations.clear();
    return dropped.size();
}

void CLinkQueue::Stop()
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stopping = true;
        // The armed stop writes join the queued ones: the thread runs them before it ends.
        for (auto& [id, work] : m_armed) m_user.push_back(Job{id, std::move(work), nullptr, true});
    }
    m_armed.clear();
    DropAll();
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

uint64_t CLinkQueue::Arm(std::function<void()> work)
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_stopping) return 0;
    }
    const uint64_t id = m_nextId++;
    m_armed.emplace(id, std::move(work));
    return id;
}

bool CLinkQueue::Fire(uint64_t id, std::function<void()> done)
{
    auto it = m_armed.find(id);
    if (it == m_armed.end()) return false;
    Job job{id, std::move(it->second), nullptr, true};
    m_armed.erase(it);
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_user.push_back(std::move(job));
    }
    m_continuations.emplace(id, std::move(done));
    m_wake.notify_one();
    return true;
}

void CLinkQueue::Disarm(uint64_t id) { m_armed.erase(id); }

bool CLinkQueue::Idle() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_user.empty() && m_periodic.empty() && !m_running && m_continuations.empty();
}

size_t CLinkQueue::Queued() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_user.size() + m_periodic.size();
}

bool CLinkQueue::TakeNext(Job& job)
{
    std::unique_lock<std::mutex> guard(m_lock);
    m_wake.wait(guard, [this] { return m_stopping || !m_user.empty() || !m_periodic.empty(); });
    if (m_stopping) {
        // Only the stop writes are left to run; whatever else is queued is being dropped.
        auto it = std::find_if(m_user.begin(), m_user.end(), [](const Job& queued) { return queued.stopWrite; });
        if (it == m_user.end()) return false;
        job = std::move(*it);
        m_user.erase(it);
    } else {
        std::deque<Job>& from = m_user.empty() ? m_periodic : m_user;
        job = std::move(from.front());
        from.pop_front();
    }
    m_running = true;
    m_runningControl = job.control;
    return true;
}

void CLinkQueue::Run()
{
    Job job;
    while (TakeNext(job)) {
        job.work();
        const uint64_t id = job.id;
        job = Job{};  // the work's captures end here, on this thread
        {
            // Over before it is announced: once its result is delivered, the
            // queue reads idle at once.
            std::lock_guard<std::mutex> guard(m_lock);
            m_running = false;
            m_runningControl.reset();
        }
        m_notify(id);
    }
}
