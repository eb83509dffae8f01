#include "LinkQueue.h"

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
    std::deque<Job> user;
    std::deque<Job> periodic;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        user.swap(m_user);
        periodic.swap(m_periodic);
        if (m_runningControl) m_runningControl->Cancel();
    }
    // A long job dropped before it began reads as cancelled to whoever waits on it.
    for (std::deque<Job>* jobs : {&user, &periodic}) {
        for (Job& job : *jobs) {
            if (job.control) job.control->Cancel();
        }
    }
    // Continuations are destroyed here, on the owner thread, where they live.
    m_continuations.clear();
    return user.size() + periodic.size();
}

void CLinkQueue::Stop()
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stopping = true;
    }
    DropAll();
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

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
    if (m_stopping) return false;
    std::deque<Job>& from = m_user.empty() ? m_periodic : m_user;
    job = std::move(from.front());
    from.pop_front();
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
