// Worker hand-offs to the UI thread without Qt, so that ThreadSanitizer sees
// every access: in order and on the UI thread, refused for a page that is
// going, and never deadlocked by a UI thread that waits for its worker.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "HandOffQueue.h"

namespace {

using namespace std::chrono_literals;

// The test's own thread plays the UI thread; Wake() stands for a posted event.
class FakeUi : public CHandOffQueue::IUiThread {
public:
    bool Exists() const override { return true; }
    bool IsCurrent() const override { return std::this_thread::get_id() == m_id; }
    void Wake() override
    {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            ++m_wakes;
        }
        m_changed.notify_all();
    }
    // The event loop: serves the queue on each wake until `done`.
    template <class Done>
    bool Loop(CHandOffQueue& queue, Done done)
    {
        const auto end = std::chrono::steady_clock::now() + 5s;
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::unique_lock<std::mutex> guard(m_lock);
            m_changed.wait_for(guard, 10ms, [this] { return m_wakes > 0; });
            m_wakes = 0;
            guard.unlock();
            queue.ServeAll();
        }
        return true;
    }

private:
    std::thread::id m_id = std::this_thread::get_id();
    std::mutex m_lock;
    std::condition_variable m_changed;
    int m_wakes = 0;
};

TEST(HandOffQueue, HandOffsRunInOrderOnTheUiThreadWhileItWaitsInJoin)
{
    FakeUi ui;
    CHandOffQueue queue(ui);
    std::atomic<bool> running{true};
    std::vector<int> applied;  // UI thread only
    std::atomic<int> offThread{0};
    std::thread worker([&] {
        for (int i = 0; i < 1000; ++i) {
            const bool ran = queue.Invoke(running, [&, i] {
                if (!ui.IsCurrent()) ++offThread;
                applied.push_back(i);
            });
            if (!ran) return;
        }
    });
    queue.JoinServing(worker);
    ASSERT_EQ(applied.size(), 1000u);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(applied[static_cast<size_t>(i)], i);
    EXPECT_EQ(offThread, 0);
}

TEST(HandOffQueue, TheEventLoopServesAWorkerNobodyJoinsYet)
{
    FakeUi ui;
    CHandOffQueue queue(ui);
    std::atomic<bool> running{true};
    std::atomic<bool> finished{false};
    int applied = 0;
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i) queue.Invoke(running, [&] { ++applied; });
        finished = true;
    });
    EXPECT_TRUE(ui.Loop(queue, [&] { return finished.load(); }));
    queue.JoinServing(worker);
    EXPECT_EQ(applied, 50);
}

TEST(HandOffQueue, AClearedFlagOrClosingWindowsRefuseWhatIsPending)
{
    FakeUi ui;
    CHandOffQueue queue(ui);
    std::atomic<bool> running{true};
    std::atomic<int> refused{0};
    int applied = 0;
    std::thread worker([&] {
        while (queue.Invoke(running, [&] { ++applied; })) {
        }
        ++refused;
        // Once refused, every later hand-off is refused at once.
        if (!queue.Invoke(running, [&] { ++applied; })) ++refused;
    });
    ASSERT_TRUE(ui.Loop(queue, [&] { return applied >= 3; }));
    running = false;  // the page is being destroyed (on this, the UI thread)
    queue.JoinServing(worker);
    EXPECT_EQ(refused, 2);
    const int before = applied;

    std::atomic<bool> other{true};
    queue.SetClosing(true);
    std::thread late([&] { EXPECT_FALSE(queue.Invoke(other, [&] { ++applied; })); });
    queue.JoinServing(late);
    queue.SetClosing(false);
    EXPECT_EQ(applied, before);
}

TEST(HandOffQueue, OnTheUiThreadItRunsAtOnceAndAWorkerJoiningItselfDetaches)
{
    FakeUi ui;
    CHandOffQueue queue(ui);
    std::atomic<bool> running{true};
    bool ran = false;
    EXPECT_TRUE(queue.Invoke(running, [&] { ran = true; }));
    EXPECT_TRUE(ran);

    std::thread self;
    std::atomic<bool> go{false};
    std::atomic<bool> detached{false};
    self = std::thread([&] {
        while (!go) std::this_thread::yield();
        queue.JoinServing(self);
        detached = !self.joinable();
    });
    go = true;
    while (!detached) std::this_thread::sleep_for(1ms);
}

}  // namespace
