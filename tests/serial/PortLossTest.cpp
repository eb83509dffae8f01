// A serial port whose device goes away (an adapter unplugged: the tty hangs
// up) and a port that does not open, with the reason why.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "CpuTime.h"
#include "PtyBridge.h"
#include "WaitFor.h"
#include "cnComm.h"

using namespace std::chrono_literals;

namespace {

TEST(PortLoss, AHungUpPortIsReportedOnceAndItsWatchThreadStaysAsleep)
{
    CPtyBridge line;
    ASSERT_TRUE(line.Ok());
    cnComm port(0, true);
    port.m_portName = line.PathA();
    ASSERT_TRUE(port.Open());
    ASSERT_TRUE(port.ApplyMode("9600,n,8,2"));
    EXPECT_FALSE(port.IsLost());
    const uint32_t losses = port.LossCount();

    line.HangUpA();
    ASSERT_TRUE(WaitFor([&] { return port.IsLost(); }, 2s)) << "the watch thread did not see the hang-up";
    EXPECT_EQ(port.LossCount(), losses + 1);
    EXPECT_FALSE(port.MarkLost()) << "a loss is told once";
    EXPECT_LT(CpuMsDuring([] { std::this_thread::sleep_for(1s); }), kIdleCpuMsPerSecond);
    EXPECT_EQ(port.LossCount(), losses + 1);

    CommStatus status;
    EXPECT_FALSE(port.QueryStatus(status)) << "the descriptor of a hung-up tty fails";
    auto t0 = std::chrono::steady_clock::now();
    port.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 100ms);
    EXPECT_FALSE(port.IsWatchThreadRunning());
    EXPECT_TRUE(port.IsLost()) << "kept until the next open";
}

// A pty reports POLLHUP with POLLERR; a USB adapter's driver may report
// either alone. Each alone means the line is gone, readable or not.
TEST(PortLoss, EachHangUpFlagAloneMeansTheLineIsGone)
{
    for (const short flag : {short{POLLHUP}, short{POLLERR}, short{POLLNVAL}}) {
        EXPECT_TRUE(cnComm::HungUp(flag)) << flag;
        EXPECT_TRUE(cnComm::HungUp(static_cast<short>(flag | POLLIN))) << flag << " with POLLIN";
    }
    EXPECT_FALSE(cnComm::HungUp(0));
    EXPECT_FALSE(cnComm::HungUp(POLLIN)) << "waiting input";
    EXPECT_FALSE(cnComm::HungUp(static_cast<short>(POLLIN | POLLPRI | POLLOUT)));
}

TEST(PortLoss, AReopenedPortIsWholeAgain)
{
    CPtyBridge first;
    ASSERT_TRUE(first.Ok());
    cnComm port(0, true);
    port.m_portName = first.PathA();
    ASSERT_TRUE(port.Open());
    first.HangUpA();
    ASSERT_TRUE(WaitFor([&] { return port.IsLost(); }, 2s));
    port.Close();

    CPtyBridge second;
    ASSERT_TRUE(second.Ok());
    port.m_portName = second.PathA();
    ASSERT_TRUE(port.Open());
    EXPECT_FALSE(port.IsLost());
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(port.IsLost()) << "a live line is not taken for a lost one";
}

// ---- why a port does not open ----

int g_injectedError = 0;
int FailingOpen(const char*, int)
{
    errno = g_injectedError;
    return -1;
}

class OpenFailure : public ::testing::Test {
protected:
    ~OpenFailure() override { cnComm::SetOpenFunction(nullptr); }
    PortOpenError Open(const std::string& path)
    {
        cnComm port(0, true);
        port.m_portName = path;
        EXPECT_FALSE(port.Open()) << path;
        EXPECT_FALSE(port.IsWatchThreadRunning());
        return port.LastOpenError();
    }
};

TEST_F(OpenFailure, AMissingDeviceAndAPathThatIsNoTerminal)
{
    PortOpenError e = Open("/dev/zoric-no-such-port");
    EXPECT_EQ(e.reason, PortOpenReason::NoDevice);
    EXPECT_EQ(e.error, ENOENT);
    EXPECT_EQ(e.device, "/dev/zoric-no-such-port");

    e = Open("/dev/null");
    EXPECT_EQ(e.reason, PortOpenReason::NotSerial);
}

TEST_F(OpenFailure, APortHeldElsewhereNamesItsHolder)
{
    CPtyBridge line;
    ASSERT_TRUE(line.Ok());
    cnComm holder(0, false);
    holder.m_portName = line.PathA();
    ASSERT_TRUE(holder.Open());
    EXPECT_EQ(holder.LastOpenError().reason, PortOpenReason::None);

    const PortOpenError e = Open(line.PathA());
    EXPECT_EQ(e.reason, PortOpenReason::InUse);
    EXPECT_EQ(e.holderPid, getpid()) << "the lock holder is found in /proc/locks";
    EXPECT_FALSE(e.holderName.empty());
}

TEST_F(OpenFailure, PermissionDeniedNamesTheGroupThatMayOpenIt)
{
    // A test run as root cannot be refused: the refusal is injected.
    g_injectedError = EACCES;
    cnComm::SetOpenFunction(FailingOpen);
    const PortOpenError e = Open("/dev/null");
    EXPECT_EQ(e.reason, PortOpenReason::PermissionDenied);
    EXPECT_EQ(e.error, EACCES);
    EXPECT_EQ(e.deviceGroup, "dialout") << "a root-owned device: the serial group";

    g_injectedError = EBUSY;  // another program's exclusive open
    EXPECT_EQ(Open("/dev/null").reason, PortOpenReason::InUse);
    g_injectedError = EIO;  // a serial device node with no hardware
    EXPECT_EQ(Open("/dev/null").reason, PortOpenReason::NoDevice);
}

}  // namespace
