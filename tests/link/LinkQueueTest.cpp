// The link queue on its own: order and priority, where each half of a job
// runs, what dropping and stopping leave behind, and the stop writes that
// outlive a stop.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "LinkQueue.h"

namespace {

using namespace std::chrono_literals;

// Stands in for the UI thread's event queue: the link thread posts job ids,
// the test thread delivers them.
class Mailbox {
public:
    CLinkQueue::Notify Notifier()
    {
        return [this](uint64_t id) {
            {
                std::lock_guard<std::mutex> guard(m_lock);
                m_ids.push_back(id);
            }
            m_changed.notify_all();
        };
    }
    // Delivers what has arrived until the queue is idle; false on time-out.
    bool DeliverUntilIdle(CLinkQueue& queue, std::chrono::milliseconds limit = 5000ms)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!queue.Idle()) {
            std::unique_lock<std::mutex> guard(m_lock);
            if (!m_changed.wait_until(guard, end, [this] { return !m_ids.empty(); })) return false;
            const uint64_t id = m_ids.front();
            m_ids.pop_front();
            guard.unlock();
            queue.Deliver(id);
        }
        return true;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<uint64_t> m_ids;
};

// Holds the link thread in a job until opened, so that what is submitted
// meanwhile queues up behind it.
class Gate {
public:
    std::function<void()> Job()
    {
        return [this] {
            std::unique_lock<std::mutex> guard(m_lock);
            m_entered = true;
            m_changed.notify_all();
            m_changed.wait(guard, [this] { return m_open; });
        };
    }
    void WaitEntered()
    {
        std::unique_lock<std::mutex> guard(m_lock);
        m_changed.wait(guard, [this] { return m_entered; });
    }
    void Open()
    {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_open = true;
        }
        m_changed.notify_all();
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_entered = false;
    bool m_open = false;
};

// Records the thread its last copy dies on.
struct DeathWitness {
    std::shared_ptr<std::thread::id> diedOn;
    explicit DeathWitness(std::shared_ptr<std::thread::id> where) : diedOn(std::move(where)) {}
    DeathWitness(const DeathWitness&) = default;
    ~DeathWitness()
    {
        if (diedOn.use_count() == 2) *diedOn = std::this_thread::get_id();
    }
};

TEST(LinkQueue, UserActionsGoAheadOfPeriodicReadsAndEachKindKeepsItsOrder)
{
    Mailbox mailbox;
    CLinkQueue queue(mailbox.Notifier());
    Gate gate;
    std::vector<std::string> ran;        // link thread, read after idle
    std::vector<std::string> delivered;  // this thread
    queue.Submit(LinkPriority::User, gate.Job(), [] {});
    gate.WaitEntered();
    auto submit = [&](LinkPriority priority, std::string name) {
        queue.Submit(
            priority, [&ran, name] { ran.push_back(name); }, [&delivered, name] { delivered.push_back(name); });
    };
    submit(LinkPriority::Periodic, "poll1");
    submit(LinkPriority::User, "read");
    submit(LinkPriority::Periodic, "poll2");
    submit(LinkPriority::User, "write");
    EXPECT_EQ(queue.Queued(), 4u);
    gate.Open();
    ASSERT_TRUE(mailbox.DeliverUntilIdle(queue));
    const std::vector<std::string> expected{"read", "write", "poll1", "poll2"};
    EXPECT_EQ(ran, expected);
    EXPECT_EQ(delivered, expected);
}

TEST(LinkQueue, WorkRunsOnTheLinkThreadAndContinuationsOnlyOnTheOwnerThread)
{
    Mailbox mailbox;
    CLinkQueue queue(mailbox.Notifier());
    const std::thread::id owner = std::this_thread::get_id();
    std::thread::id workThread;
    std::thread::id doneThread;
    bool onLinkThread = false;
    auto continuationDied = std::make_shared<std::thread::id>();
    queue.Submit(
        LinkPriority::User,
        [&] {
            workThread = std::this_thread::get_id();
            onLinkThread = queue.OnLinkThread();
        },
        [&, witness = DeathWitness(continuationDied)] { doneThread = std::this_thread::get_id(); });
    ASSERT_TRUE(mailbox.DeliverUntilIdle(queue));
    EXPECT_NE(workThread, owner);
    EXPECT_TRUE(onLinkThread);
    EXPECT_FALSE(queue.OnLinkThread());
    EXPECT_EQ(doneThread, owner);
    EXPECT_EQ(*continuationDied, owner);
}

TEST(LinkQueue, DroppingRunsNothingMoreAndCancelsTheRunningJob)
{
    Mailbox mailbox;
    CLinkQueue queue(mailbox.Notifier());
    auto control = std::make_shared<CJobControl>();
    std::atomic<bool> started{false};
    std::atomic<bool> sleptFully{true};
    std::atomic<int> laterRuns{0};
    int continuations = 0;
    auto droppedDied = std::make_shared<std::thread::id>();

    // A long job that waits on its control, as a scan or an export does.
    queue.Submit(
        LinkPriority::User,
        [&, control] {
            started = true;
            sleptFully = control->SleepFor(60s);
        },
        [&] { ++continuations; }, control);
    queue.Submit(
        LinkPriority::User, [&] { ++laterRuns; }, [&, witness = DeathWitness(droppedDied)] { ++continuations; });
    queue.Submit(
        LinkPriority::Periodic, [&] { ++laterRuns; }, [&] { ++continuations; });
    while (!started) std::this_thread::sleep_for(1ms);

    EXPECT_EQ(queue.DropAll(), 2u);
    EXPECT_EQ(*droppedDied, std::this_thread::get_id());  // dropped continuations die here
    EXPECT_TRUE(control->Cancelled());
    queue.Stop();  // returns once the cancelled job has ended
    EXPECT_FALSE(sleptFully);
    EXPECT_EQ(laterRuns, 0);
    EXPECT_EQ(continuations, 0);
}

TEST(LinkQueue, AfterStopNothingIsAcceptedAndTheContinuationDiesAtOnce)
{
    Mailbox mailbox;
    CLinkQueue queue(mailbox.Notifier());
    queue.Stop();
    auto died = std::make_shared<std::thread::id>();
    bool ran = false;
    EXPECT_EQ(queue.Submit(
                  LinkPriority::User, [&] { ran = true; }, [witness = DeathWitness(died)] {}),
              0u);
    EXPECT_EQ(*died, std::this_thread::get_id());
    EXPECT_FALSE(ran);
    EXPECT_TRUE(queue.Idle());
    queue.Stop();  // twice is harmless
}

TEST(LinkQueue, IdleOnlyOnceTheLastResultHasBeenDelivered)
{
    Mailbox mailbox;
    CLinkQueue queue(mailbox.Notifier());
    EXPECT_TRUE(queue.Idle());
    Gate gate;
    queue.Submit(LinkPriority::Periodic, gate.Job(), [] {});
    gate.WaitEntered();
    EXPECT_FALSE(queue.Idle());  // running
    gate.Open();
    // Work over but not yet delivered: still not idle.
    while (queue.Queued() != 0) std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(10ms);
    EXPECT_FALSE(queue.Idle());
    ASSERT_TRUE(mailbox.DeliverUntilIdle(queue));
    EXPECT_TRUE(queue.Idle());
    queue.Deliver(12345);  // an unknown id is ignored
}

TEST(LinkQueue, ManySubmittersNeverLoseOrRepeatAJob)
{
    Mailbox mailbox;
    CLinkQueue queue(mailbox.Notifier());
    std::atomic<int> ran{0};
    int delivered = 0;
    for (int i = 0; i < 2000; ++i) {
        queue.Submit(
            i % 3 ? LinkPriority::User : LinkPriority::Periodic, [&] { ++ran; }, [&] { ++delivered; });
    }
    ASSERT_TRUE(mailbox.DeliverUntilIdle(queue));
    EXPECT_EQ(ran, 2000);
    EXPECT_EQ(delivered, 2000);
}

TEST(LinkQueue, StopRunsTheStopWritesAfterTheJobInFlightAndDropsTheRest)
{
    Mailbox mailbox;
    CLinkQueue queue(mailbox.Notifier());
    Gate gate;
    std::vector<std::string> ran;  // link thread, read after Stop
    auto record = [&ran](std::string name) { return [&ran, name] { ran.push_back(name); }; };
    int continuations = 0;
    queue.Submit(
        LinkPriority::User,
        [&] {
            gate.Job()();
            ran.push_back("in flight");
        },
        [] {});
    gate.WaitEntered();
    const uint64_t armed = queue.Arm(record("armed"));
    const uint64_t fired = queue.Arm(record("fired"));
    const uint64_t disarmed = queue.Arm(record("disarmed"));
    queue.Submit(LinkPriority::User, record("queued read"), [&] { ++continuations; });
    EXPECT_TRUE(queue.Fire(fired, [&] { ++continuations; }));
    EXPECT_FALSE(queue.Fire(fired, {})) << "a stop write is sent once";
    queue.Submit(LinkPriority::Periodic, record("poll"), [&] { ++continuations; });
    queue.Disarm(disarmed);
    EXPECT_FALSE(queue.Fire(disarmed, {}));

    // The owner stops while the gate holds the link: the stop writes still go.
    // The gate opens once Stop has dropped what it drops (the two stop writes are left).
    std::thread opener([&] {
        while (queue.Queued() != 2) std::this_thread::sleep_for(1ms);
        gate.Open();
    });
    queue.Stop();
    opener.join();
    EXPECT_EQ(ran, (std::vector<std::string>{"in flight", "fired", "armed"}));
    EXPECT_EQ(continuations, 0) << "nothing runs on the owner thread after Stop";
    EXPECT_FALSE(queue.Fire(armed, {}));
    EXPECT_EQ(queue.Arm(record("late")), 0u);
}

TEST(LinkQueue, AFiredStopWriteIsAUserActionWithItsContinuation)
{
    Mailbox mailbox;
    CLinkQueue queue(mailbox.Notifier());
    Gate gate;
    std::vector<std::string> ran;
    std::vector<std::string> delivered;
    queue.Submit(LinkPriority::User, gate.Job(), [] {});
    gate.WaitEntered();
    queue.Submit(
        LinkPriority::Periodic, [&] { ran.push_back("poll"); }, [&] { delivered.push_back("poll"); });
    const uint64_t stop = queue.Arm([&] { ran.push_back("stop"); });
    ASSERT_NE(stop, 0u);
    EXPECT_TRUE(queue.Fire(stop, [&] { delivered.push_back("stop"); }));
    gate.Open();
    ASSERT_TRUE(mailbox.DeliverUntilIdle(queue));
    EXPECT_EQ(ran, (std::vector<std::string>{"stop", "poll"}));
    EXPECT_EQ(delivered, ran);
    queue.Stop();
    EXPECT_EQ(ran.size(), 2u) << "sent once: not again at the end";
}

TEST(JobControl, CancelWakesASleeperAndProgressIsReadAnywhere)
{
    CJobControl control;
    EXPECT_TRUE(control.SleepFor(1ms));
    control.SetProgress(3, 10);
    EXPECT_EQ(control.Done(), 3u);
    EXPECT_EQ(control.Total(), 10u);
    std::atomic<bool> slept{true};
    std::thread sleeper([&] { slept = control.SleepFor(60s); });
    std::this_thread::sleep_for(20ms);
    control.Cancel();
    sleeper.join();
    EXPECT_FALSE(slept);
    EXPECT_TRUE(control.Cancelled());
    EXPECT_FALSE(control.SleepFor(60s));  // a cancelled job does not wait at all
}

}  // namespace
