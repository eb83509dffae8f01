#pragma once
// CLinkQueue: the one thread that runs the windows' drive exchanges, a job at
// a time. User actions go ahead of periodic reads (live status, watches);
// within each kind, jobs run in the order they were submitted.
//
// A job has two halves: `work` runs on the link thread and must capture
// values only (it is destroyed there); `done` is kept on the owner thread
// (the thread that made the queue, the UI thread) and runs there when the
// owner calls Deliver(id) after `notify` has told it the work is over. So a
// continuation may hold what only the owner thread may touch, and results
// are delivered in the order the jobs ran. No Qt here: the adapter decides
// how `notify` reaches the owner thread.
//
// A stop write (a procedure's: the drive must hear it however the procedure
// ends) is armed when the procedure starts. Fired, it is queued as a user
// action; if the queue stops first, Stop() runs it, armed or queued, after
// the job in flight and before the thread ends, where every other job is
// dropped.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "JobControl.h"

enum class LinkPriority { User, Periodic };

class CLinkQueue {
public:
    // Called on the link thread once job `id` has run.
    using Notify = std::function<void(uint64_t id)>;

    explicit CLinkQueue(Notify notify);
    ~CLinkQueue();  // Stop()
    CLinkQueue(const CLinkQueue&) = delete;
    CLinkQueue& operator=(const CLinkQueue&) = delete;

    // Owner thread. Returns the job's id, or 0 when the queue has stopped
    // (the job is dropped unrun). `control`, when given, is cancelled if the
    // job is dropped, queued or running.
    uint64_t Submit(LinkPriority priority, std::function<void()> work, std::function<void()> done,
                    std::shared_ptr<CJobControl> control = nullptr);
    // Owner thread: runs the continuation of job `id` if it is still kept.
    void Deliver(uint64_t id);
    // Owner thread: drops every queued job but the stop writes, and every
    // continuation not yet run, and cancels the controls of the running and
    // the dropped jobs. Nothing of them runs on the owner thread afterwards.
    // Returns the number of queued jobs dropped.
    size_t DropAll();
    // Owner thread: DropAll(), then waits for the running job (its exchange
    // takes at most one time-out), runs the stop writes still armed or
    // queued, and ends the thread. Later submissions are dropped.
    void Stop();

    // Owner thread: keeps a stop write aside until it is fired or disarmed;
    // returns its id, 0 when the queue has stopped. A disarmed one is
    // destroyed on the owner thread.
    uint64_t Arm(std::function<void()> work);
    // Owner thread: queues the armed stop write `id` as a user action with
    // `done`; false when it is not armed (fired already, disarmed, or the
    // queue has stopped).
    bool Fire(uint64_t id, std::function<void()> done);
    void Disarm(uint64_t id);

    // Owner thread: nothing queued, running, or waiting for its delivery.
    bool Idle() const;
    // Jobs queued and not yet started (any thread).
    size_t Queued() const;
    bool OnLinkThread() const { return std::this_thread::get_id() == m_thread.get_id(); }

private:
    struct Job {
        uint64_t id = 0;
        std::function<void()> work;
        std::shared_ptr<CJobControl> control;
        bool stopWrite = false;
    };

    void Run();
    bool TakeNext(Job& job);

    Notify m_notify;
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<Job> m_user;
    std::deque<Job> m_periodic;
    std::shared_ptr<CJobControl> m_runningControl;
    bool m_running = false;
    bool m_stopping = false;

    // Owner thread only.
    uint64_t m_nextId = 1;
    std::map<uint64_t, std::function<void()>> m_continuations;
    std::map<uint64_t, std::function<void()>> m_armed;

    std::thread m_thread;
};
