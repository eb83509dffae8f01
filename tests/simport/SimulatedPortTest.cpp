// The drive inside the tool: "sim://" opened by the tool's own master, as a
// user and a test would open any port: its drives and their state, the
// options of its name, one master at a time, and the simulator's faults and
// pacing reaching the master as they would on a line.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "DriveScan.h"
#include "FrameRecorder.h"
#include "LineListener.h"
#include "ModbusMaster.h"
#include "SdoRecord.h"
#include "SimulatedLine.h"
#include "SimulatedPort.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

class SimulatedPortTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { SimulatedPort::Enable(); }
    // Each test on drives of its own.
    std::string Name(const std::string& options = "")
    {
        const std::string name = "sim://?seed=" + std::to_string(++m_names) + options;
        m_used.push_back(name);
        return name;
    }
    void TearDown() override
    {
        master.ClosePort();
        other.ClosePort();
        for (const std::string& name : m_used) SimulatedPort::Forget(name);
    }
    uint16_t ReadOne(CModbusMaster& m, uint8_t slave, uint16_t address, ModbusResult* result = nullptr)
    {
        uint8_t data[2] = {};
        uint16_t length = 2;
        const ModbusResult r = m.ReadHoldingRegisters(slave, address, 1, data, &length);
        if (result) *result = r;
        return static_cast<uint16_t>(data[0] << 8 | data[1]);
    }

    CModbusMaster master;
    CModbusMaster other;

private:
    inline static int m_names = 0;
    std::vector<std::string> m_used;
};

TEST_F(SimulatedPortTest, OpensWithoutLineSettingsAndTheDriveKeepsItsStateAcrossAReopen)
{
    const std::string name = Name();
    ASSERT_TRUE(master.OpenPort(name, 9600, 0)) << master.LastOpenError().device;
    EXPECT_TRUE(master.LastOpenError().mode.empty());
    DeviceInfo info{};
    ASSERT_EQ(master.ReadDeviceInfo(1, info), kResultOk);
    EXPECT_EQ(info.identifier, 0x2408);
    ASSERT_EQ(master.WriteSingleRegister(1, 186, 1234), kResultOk);
    EXPECT_EQ(SimulatedPort::Line(name)->GetRegister(186), 1234) << "the test sees the drive the master talks to";

    // Another baud rate and parity change nothing: the drive has no line.
    master.ClosePort();
    ASSERT_TRUE(master.OpenPort(name, 115200, 2));
    EXPECT_EQ(ReadOne(master, 1, 186), 1234) << "the drive is as the master left it";
    SdoRecord answer{};
    EXPECT_EQ(master.SdoTransfer(1, 0x40, 0x1018, 1, 0, answer), kResultOk);
    EXPECT_EQ(answer.data, 0x005A4F52u) << "the SDO tunnel reaches the object dictionary";
}

TEST_F(SimulatedPortTest, SeveralDrivesAnswerEachAtItsAddressAndAScanListsThemOnce)
{
    const std::string name = Name("&slaves=1,3,5");
    ASSERT_TRUE(master.OpenPort(name, 9600, 0));
    master.SetResponseTimeout(100);
    ASSERT_EQ(master.WriteSingleRegister(3, 186, 33), kResultOk);
    EXPECT_EQ(ReadOne(master, 3, 186), 33);
    EXPECT_NE(ReadOne(master, 1, 186), 33) << "each drive has its own state";
    ModbusResult r = kResultOk;
    ReadOne(master, 2, 186, &r);
    EXPECT_EQ(r, kResultTimeout) << "no drive at 2";

    DriveScan::Options options;
    options.first = 1;
    options.last = 6;
    options.bauds = DriveScan::AllBauds();
    options.parities = DriveScan::AllParities();
    const std::atomic<bool> cancel{false};
    const DriveScan::Result found = DriveScan::Run(master, name, options, {}, cancel);
    ASSERT_EQ(found.drives.size(), 3u) << "every setting reaches the same drives: one listing each";
    EXPECT_EQ(found.drives[0].slave, 1);
    EXPECT_EQ(found.drives[1].slave, 3);
    EXPECT_EQ(found.drives[2].slave, 5);
}

TEST_F(SimulatedPortTest, OneMasterHoldsANameAtATime)
{
    const std::string name = Name();
    ASSERT_TRUE(master.OpenPort(name, 9600, 0));
    EXPECT_FALSE(other.OpenPort(name, 9600, 0));
    EXPECT_EQ(other.LastOpenError().reason, PortOpenReason::InUse);
    EXPECT_FALSE(SimulatedPort::Forget(name)) << "a held drive is not forgotten";
    master.ClosePort();
    ASSERT_TRUE(other.OpenPort(name, 9600, 0));
    EXPECT_EQ(ReadOne(other, 1, 0), 0x2408);
}

TEST_F(SimulatedPortTest, BadOptionsAreRefusedWithTheirReason)
{
    for (const char* bad : {"sim://?slaves=0", "sim://?fault=smoke=1", "sim://?port=COM1", "sim://?listen=tcp://x:1",
                            "sim://?state=/tmp/x", "sim://slaves=1", "sim://?time-scale=fast"}) {
        EXPECT_FALSE(master.OpenPort(bad, 9600, 0)) << bad;
        EXPECT_EQ(master.LastOpenError().reason, PortOpenReason::BadOptions) << bad;
        EXPECT_FALSE(master.LastOpenError().device.empty()) << bad << ": the reason is told";
    }
    EXPECT_TRUE(master.OpenPort("SIM://", 9600, 0)) << "the scheme in any case";
}

TEST_F(SimulatedPortTest, FaultsReachTheMasterAsOnALine)
{
    const std::string name = Name("&slaves=1,3&fault-next=no-answer@3=1&fault-next=late@1=1");
    ASSERT_TRUE(master.OpenPort(name, 9600, 0));
    master.SetResponseTimeout(150);
    ModbusResult r = kResultOk;
    ReadOne(master, 3, 0, &r);
    EXPECT_EQ(r, kResultTimeout) << "drive 3 is silent once";
    EXPECT_EQ(ReadOne(master, 3, 0, &r), 0x2408);
    EXPECT_EQ(r, kResultOk);

    // Drive 1's answer comes after the time-out: never taken for the next
    // request's, and shown as late.
    CFrameRecorder recorder;
    master.SetFrameMonitor(&recorder);
    ReadOne(master, 1, 0, &r);
    EXPECT_EQ(r, kResultTimeout);
    std::this_thread::sleep_for(std::chrono::milliseconds(SimulatedPort::Line(name)->Options().lateAnswerMs));
    EXPECT_EQ(ReadOne(master, 1, 1, &r), 0x0203) << "the read of register 1 gets register 1";
    EXPECT_EQ(r, kResultOk);
    master.SetFrameMonitor(nullptr);
    const auto kinds = recorder.Kinds();
    EXPECT_NE(std::find(kinds.begin(), kinds.end(), FrameKind::Late), kinds.end());
}

TEST_F(SimulatedPortTest, PacedAnswersTakeTheirTimeOnTheLine)
{
    const std::string name = Name("&pacing&baud=9600");
    ASSERT_TRUE(master.OpenPort(name, 9600, 0));
    RealtimeStatus status{};
    const auto start = Clock::now();
    ASSERT_EQ(master.ReadRealtimeStatus(1, status), kResultOk);
    // 59 characters of 11 bits at 9600 baud: at least 67 ms.
    EXPECT_GE(Clock::now() - start, 60ms);
}

TEST_F(SimulatedPortTest, ListeningIsRefusedForThereIsNoLine)
{
    CLineListener listener;
    CFrameRecorder recorder;
    EXPECT_FALSE(listener.Start(Name(), "9600,n,8,2", recorder));
    EXPECT_EQ(listener.LastOpenError().reason, PortOpenReason::NotSerial);
}

}  // namespace
