// Worker hand-offs to the UI thread: in order, never lost, never run for a
// page that is going away, and never deadlocked by a UI thread that waits.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "UiDispatcher.h"

namespace {

bool OnUiThread() { return QThread::currentThread() == qApp->thread(); }

TEST(UiDispatcher, ManyHandOffsWhileTheUiThreadWaitsInJoinServing) {
    std::atomic<bool> running{true};
    std::vector<int> applied;  // touched only on the UI thread
    std::atomic<int> offThread{0};
    constexpr int kCount = 2000;
    std::thread worker([&] {
        for (int i = 0; i < kCount; ++i) {
            const bool ran = CUiDispatcher::Invoke(running, [&, i] {
                if (!OnUiThread()) ++offThread;
                applied.push_back(i);
            });
            ASSERT_TRUE(ran);
            // Blocking: the change is visible as soon as Invoke returns.
            ASSERT_EQ(applied.size(), static_cast<size_t>(i + 1));
        }
    });
    CUiDispatcher::JoinServing(worker);
    EXPECT_FALSE(worker.joinable());
    ASSERT_EQ(applied.size(), static_cast<size_t>(kCount));
    for (int i = 0; i < kCount; ++i) ASSERT_EQ(applied[static_cast<size_t>(i)], i);
    EXPECT_EQ(offThread.load(), 0);
}

TEST(UiDispatcher, TheEventLoopServesAWorkerNobodyWaitsFor) {
    std::atomic<bool> running{true};
    std::atomic<bool> finished{false};
    int applied = 0;
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i) CUiDispatcher::Invoke(running, [&] { ++applied; });
        finished = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return finished.load(); }, 5000));
    CUiDispatcher::JoinServing(worker);
    EXPECT_EQ(applied, 50);
}

TEST(UiDispatcher, NothingRunsOnceTheRunningFlagIsCleared) {
    std::atomic<bool> running{true};
    std::atomic<bool> started{false};
    std::atomic<int> refused{0};
    int applied = 0;
    std::thread worker([&] {
        started = true;
        // Keeps trying, as a procedure worker would, until it is told to stop.
        while (CUiDispatcher::Invoke(running, [&] { ++applied; })) {
        }
        ++refused;
        // After the flag is down every further hand-off is refused at once.
        if (!CUiDispatcher::Invoke(running, [&] { ++applied; })) ++refused;
    });
    while (!started) std::this_thread::yield();
    // Let a request reach the queue without serving it, then tear down as a
    // page destructor does: flag first, then the serving join.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    running = false;
    CUiDispatcher::JoinServing(worker);
    EXPECT_EQ(applied, 0);
    EXPECT_EQ(refused.load(), 2);
}

TEST(UiDispatcher, AClearedFlagStopsAWorkerMidway) {
    std::atomic<bool> running{true};
    int applied = 0;
    std::thread worker([&] {
        while (CUiDispatcher::Invoke(running, [&] {
            if (++applied == 10) running = false;  // the page goes away from inside a hand-off
        })) {
        }
    });
    CUiDispatcher::JoinServing(worker);
    EXPECT_EQ(applied, 10);
}

TEST(UiDispatcher, SeveralWorkersAreServedWhileOneIsJoined) {
    std::atomic<bool> running{true};
    int a = 0;
    int b = 0;
    std::thread other([&] {
        for (int i = 0; i < 300; ++i) CUiDispatcher::Invoke(running, [&] { ++b; });
    });
    std::thread worker([&] {
        for (int i = 0; i < 300; ++i) CUiDispatcher::Invoke(running, [&] { ++a; });
    });
    CUiDispatcher::JoinServing(worker);
    CUiDispatcher::JoinServing(other);
    EXPECT_EQ(a, 300);
    EXPECT_EQ(b, 300);
}

TEST(UiDispatcher, WhileTheWindowsCloseNoPageOfAnyWorkerIsTouched) {
    // One page is being taken down while another page's worker, whose own
    // flag is still up, reports: its hand-off must not run.
    std::atomic<bool> stillRunning{true};
    int applied = 0;
    bool ran = true;
    CUiDispatcher::SetWindowsClosing(true);
    std::thread worker([&] { ran = CUiDispatcher::Invoke(stillRunning, [&] { ++applied; }); });
    CUiDispatcher::JoinServing(worker);
    CUiDispatcher::SetWindowsClosing(false);
    EXPECT_FALSE(ran);
    EXPECT_EQ(applied, 0);

    std::thread after([&] { ran = CUiDispatcher::Invoke(stillRunning, [&] { ++applied; }); });
    CUiDispatcher::JoinServing(after);
    EXPECT_TRUE(ran);
    EXPECT_EQ(applied, 1);
}

TEST(UiDispatcher, OnTheUiThreadItRunsAtOnce) {
    std::atomic<bool> running{true};
    int applied = 0;
    EXPECT_TRUE(CUiDispatcher::Invoke(running, [&] { ++applied; }));
    EXPECT_EQ(applied, 1);
    running = false;
    EXPECT_FALSE(CUiDispatcher::Invoke(running, [&] { ++applied; }));
    EXPECT_EQ(applied, 1);
    std::thread none;
    CUiDispatcher::JoinServing(none);  // nothing to join is harmless
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
