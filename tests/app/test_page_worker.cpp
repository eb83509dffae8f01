// A window's worker thread: one job at a time, the live poll paused exactly
// as long as a job that asks for it (even one that returns early), and a
// stop that never deadlocks with a hand-off the job is waiting on.
#include <gtest/gtest.h>

#include <QTest>
#include <atomic>

#include "GuiFixture.h"
#include "PageWorker.h"

namespace {

using namespace std::chrono_literals;

class PageWorkerTest : public CGuiFixture {};

TEST_F(PageWorkerTest, ThePollPauseLastsExactlyAsLongAsTheJobsThatAskForIt) {
    CPageWorker first;
    CPageWorker second;
    std::atomic<int> seen{-1};
    // A job that returns early, without Finish, still ends its run and its pause.
    ASSERT_TRUE(first.Start([&] { seen = m_dlg->m_pollPaused.load(); }, CPageWorker::Poll::Pause));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !first.Running(); }, 2000));
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(m_dlg->m_pollPaused.load(), 0);

    // Two jobs that overlap keep it paused until both have ended.
    ASSERT_TRUE(first.Start([&] { first.WaitForStop(10s); }, CPageWorker::Poll::Pause));
    ASSERT_TRUE(second.Start([&] { second.WaitForStop(10s); }, CPageWorker::Poll::Pause));
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_dlg->m_pollPaused.load() == 2; }, 2000));
    first.Stop();
    EXPECT_EQ(m_dlg->m_pollPaused.load(), 1);
    second.Stop();
    EXPECT_EQ(m_dlg->m_pollPaused.load(), 0);

    // A job that does not ask leaves the poll alone.
    ASSERT_TRUE(first.Start([&] { seen = m_dlg->m_pollPaused.load(); }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !first.Running(); }, 2000));
    EXPECT_EQ(seen, 0);
}

TEST_F(PageWorkerTest, OneJobAtATimeAndFinishEndsTheRunWithItsChange) {
    CPageWorker worker;
    bool shownWhileRunning = false;
    ASSERT_TRUE(worker.Start([&] {
        worker.WaitForStop(50ms);
        worker.Finish([&] { shownWhileRunning = worker.Running(); });
    }));
    EXPECT_FALSE(worker.Start([] {}));  // still running
    ASSERT_TRUE(QTest::qWaitFor([&] { return !worker.Running(); }, 2000));
    EXPECT_TRUE(shownWhileRunning);
    EXPECT_TRUE(worker.Start([] {}));  // the next run may begin
}

TEST_F(PageWorkerTest, StoppingRefusesTheHandOffTheJobWaitsOnAndEndsIt) {
    CPageWorker worker;
    std::atomic<bool> waiting{false};
    std::atomic<int> handOffs{0};
    std::atomic<bool> refused{false};
    ASSERT_TRUE(worker.Start([&] {
        waiting = true;
        // Asks the UI thread, which is busy stopping this very job.
        while (worker.Ui([&] { ++handOffs; })) {
        }
        refused = true;
    }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return waiting.load(); }, 2000));
    worker.Stop();
    EXPECT_TRUE(refused);
    EXPECT_FALSE(worker.Running());
    const int before = handOffs;
    GuiActions::Pump(20);
    EXPECT_EQ(handOffs, before);
}

}  // namespace
