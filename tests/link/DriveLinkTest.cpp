// The windows' side of the link: results come back on the UI thread in
// order, never to a window that is gone; an action's button and window show
// it is in flight, and are given back before its result is handled.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "DriveLink.h"

namespace {

using namespace std::chrono_literals;

bool Settle(CDriveLink& link)
{
    return QTest::qWaitFor([&] { return link.Idle(); }, 5000);
}

class DriveLinkTest : public ::testing::Test {
protected:
    DriveLinkTest()
    {
        auto* layout = new QVBoxLayout(&window);
        first = new QPushButton(QStringLiteral("first"), &window);
        second = new QPushButton(QStringLiteral("second"), &window);
        layout->addWidget(first);
        layout->addWidget(second);
        window.show();
    }

    CModbusMaster master;  // never opened: every exchange is "port not open"
    std::atomic<uint8_t> address{1};
    CDriveLink link{master, address};
    QWidget window;
    QPushButton* first = nullptr;
    QPushButton* second = nullptr;
};

// A drive that takes its time to answer.
auto SlowExchange(int value)
{
    return [value](CModbusMaster&, uint8_t) {
        std::this_thread::sleep_for(50ms);
        return value;
    };
}

TEST_F(DriveLinkTest, TheHandlerReturnsAtOnceAndTheUiServesEventsMeanwhile)
{
    std::vector<int> order;
    link.Act(first, SlowExchange(1), [&](int v) { order.push_back(v); });
    EXPECT_FALSE(link.Idle());
    QTimer::singleShot(0, &window, [&] { order.push_back(0); });
    ASSERT_TRUE(Settle(link));
    EXPECT_EQ(order, (std::vector<int>{0, 1}));
}

TEST_F(DriveLinkTest, AnActionsButtonAndCursorAreGivenBackBeforeItsResultIsHandled)
{
    bool enabledInDone = false;
    Qt::CursorShape cursorInDone = Qt::WaitCursor;
    link.Act(first, SlowExchange(1), [&](int) {
        enabledInDone = first->isEnabled();
        cursorInDone = window.cursor().shape();
    });
    EXPECT_FALSE(first->isEnabled());
    EXPECT_TRUE(second->isEnabled());
    EXPECT_EQ(window.cursor().shape(), Qt::WaitCursor);
    ASSERT_TRUE(Settle(link));
    EXPECT_TRUE(enabledInDone);
    EXPECT_EQ(cursorInDone, Qt::ArrowCursor);
    EXPECT_TRUE(first->isEnabled());
}

TEST_F(DriveLinkTest, ActionsQueuedOnOneButtonHoldItUntilTheLastHasEnded)
{
    std::vector<bool> enabledAfter;
    link.Act(first, SlowExchange(1), [&](int) { enabledAfter.push_back(first->isEnabled()); });
    link.Act(first, SlowExchange(2), [&](int) { enabledAfter.push_back(first->isEnabled()); });
    ASSERT_TRUE(Settle(link));
    EXPECT_EQ(enabledAfter, (std::vector<bool>{false, true}));
    EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);

    // A button that was disabled before the action stays disabled after it.
    second->setEnabled(false);
    link.Act(second, SlowExchange(3), [](int) {});
    ASSERT_TRUE(Settle(link));
    EXPECT_FALSE(second->isEnabled());
}

TEST_F(DriveLinkTest, NoResultReachesAWindowThatIsGone)
{
    auto* page = new QWidget(&window);
    auto* button = new QPushButton(page);
    bool applied = false;
    link.Act(button, SlowExchange(1), [&](int) { applied = true; });
    link.Submit(page, LinkPriority::Periodic, SlowExchange(2), [&](int) { applied = true; });
    delete page;
    ASSERT_TRUE(Settle(link));
    EXPECT_FALSE(applied);
    EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);  // its count is cleared all the same
}

TEST_F(DriveLinkTest, TheAddressInEffectIsTheOneAtSubmission)
{
    std::vector<int> slaves;
    auto slaveOf = [](CModbusMaster&, uint8_t slave) { return int{slave}; };
    link.Act(first, slaveOf, [&](int s) { slaves.push_back(s); });
    address = 7;
    link.Act(second, slaveOf, [&](int s) { slaves.push_back(s); });
    ASSERT_TRUE(Settle(link));
    EXPECT_EQ(slaves, (std::vector<int>{1, 7}));
}

TEST_F(DriveLinkTest, ExchangesOnAClosedPortReportItAndSendNothing)
{
    ModbusResult result = kResultOk;
    link.Act(
        first, [](CModbusMaster& m, uint8_t slave) { return m.WriteStopMode(slave, 0); },
        [&](ModbusResult r) { result = r; });
    ASSERT_TRUE(Settle(link));
    EXPECT_EQ(result, kResultPortNotOpen);
    EXPECT_TRUE(master.GetLastRequest().empty());
}

TEST_F(DriveLinkTest, ALongJobReportsProgressAndStopsWhenCancelled)
{
    int steps = -1;
    auto control = link.RunTask(
        first,
        [](CModbusMaster&, uint8_t, CJobControl& job) {
            int done = 0;
            for (; done < 1000 && job.SleepFor(5ms); ++done) job.SetProgress(static_cast<uint64_t>(done) + 1, 1000);
            return done;
        },
        [&](int done) { steps = done; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return control->Done() >= 3; }, 5000));
    EXPECT_EQ(control->Total(), 1000u);
    control->Cancel();
    ASSERT_TRUE(Settle(link));
    EXPECT_GE(steps, 3);
    EXPECT_LT(steps, 1000);
}

TEST_F(DriveLinkTest, StoppingDropsWhatIsQueuedAndCancelsTheRunningJob)
{
    int applied = 0;
    auto control = link.RunTask(
        first, [](CModbusMaster&, uint8_t, CJobControl& job) { return job.SleepFor(60s) ? 1 : 0; },
        [&](int) { ++applied; });
    link.Act(second, SlowExchange(2), [&](int) { ++applied; });
    link.Stop();
    EXPECT_TRUE(control->Cancelled());
    QTest::qWait(20);
    EXPECT_EQ(applied, 0);
    EXPECT_TRUE(first->isEnabled());
    EXPECT_TRUE(second->isEnabled());
    EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);
    bool late = false;
    link.Act(first, SlowExchange(3), [&](int) { late = true; });
    QTest::qWait(80);
    EXPECT_FALSE(late);
    EXPECT_TRUE(first->isEnabled());
}

}  // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
