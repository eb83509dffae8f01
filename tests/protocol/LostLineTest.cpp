// The master when the line goes away under it (the device hangs up: an
// adapter unplugged, the simulator ended) and when a port does not open.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>

#include <unistd.h>

#include "CpuTime.h"
#include "LinkFixture.h"
#include "WaitFor.h"

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

namespace {

class LostLine : public LinkFixture {
protected:
    void AnswerReads() { AnswerAlways({0x01, 0x03, 0x02, 0x00, 0x2A}); }
    // The port's threads over one second once the line is gone.
    static double IdleCpuMs()
    {
        return CpuMsDuring([] { std::this_thread::sleep_for(1s); });
    }
};

TEST_F(LostLine, WhileIdleTheLossIsSeenWithoutATransactionAndNothingSpins)
{
    AnswerReads();
    ASSERT_EQ(master.ReadHoldingRegisters(1, 0, 1, nullptr, nullptr), kResultOk);
    const uint32_t losses = master.PortLossCount();
    EXPECT_FALSE(master.IsPortLost());

    line.HangUpA();
    ASSERT_TRUE(WaitFor([&] { return master.IsPortLost(); }, 1s));
    EXPECT_EQ(master.PortLossCount(), losses + 1);
    EXPECT_LT(IdleCpuMs(), kIdleCpuMsPerSecond);
    EXPECT_EQ(master.PortLossCount(), losses + 1) << "reported once";

    const size_t sent = slave->Requests().size();
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 1, nullptr, nullptr), kResultPortNotOpen);
    EXPECT_EQ(master.WriteSingleRegister(1, 64, 0), kResultPortNotOpen);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 100ms) << "no time-out is waited for";
    EXPECT_EQ(slave->Requests().size(), sent);

    master.ClosePort();
    EXPECT_FALSE(master.IsPortOpen());
    EXPECT_TRUE(master.IsPortLost()) << "still says what became of the port";
}

TEST_F(LostLine, ATransactionInFlightEndsAtOnceWhenTheLineGoes)
{
    Answer([](const Bytes&) { return SlaveReply::Silent(); });
    auto read = std::async(std::launch::async, [&] {
        const auto t0 = std::chrono::steady_clock::now();
        const ModbusResult r = master.ReadHoldingRegisters(1, 32, 27, nullptr, nullptr);
        return std::make_pair(r, std::chrono::steady_clock::now() - t0);
    });
    std::this_thread::sleep_for(100ms);
    line.HangUpA();
    const auto [result, took] = read.get();
    EXPECT_EQ(result, kResultPortNotOpen);
    EXPECT_LT(took, 600ms) << "ended by the loss, not by the 1000 ms time-out";
    EXPECT_TRUE(master.IsPortLost());
    EXPECT_LT(IdleCpuMs(), kIdleCpuMsPerSecond);
}

TEST_F(LostLine, TheSameNameOpensAgainOnceTheDeviceIsBack)
{
    const fs::path dir = fs::temp_directory_path() / ("zoric-lost-" + std::to_string(getpid()));
    fs::create_directories(dir);
    setenv("ZORIC_COM_DIR", dir.c_str(), 1);
    fs::create_symlink(line.PathA(), dir / "COM7");
    ASSERT_TRUE(master.OpenWithMode("COM7", "9600,n,8,2"));
    EXPECT_EQ(master.PortName(), "COM7");
    line.HangUpA();
    ASSERT_TRUE(WaitFor([&] { return master.IsPortLost(); }, 1s));

    // The device comes back on another pty under the same name; the dead
    // descriptor does not stand in the way of the open.
    CPtyBridge again;
    ASSERT_TRUE(again.Ok());
    fs::remove(dir / "COM7");
    fs::create_symlink(again.PathA(), dir / "COM7");
    CScriptedSlave drive(again.PathB(), [](const Bytes&) {
        return SlaveReply::Bytes(WithCrc({0x01, 0x03, 0x02, 0x00, 0x07}));
    });
    ASSERT_TRUE(drive.Ok());
    ASSERT_TRUE(master.OpenWithMode("COM7", "9600,n,8,2"));
    EXPECT_FALSE(master.IsPortLost());
    uint8_t data[2] = {};
    uint16_t length = 2;
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 1, data, &length), kResultOk);
    EXPECT_EQ(data[1], 7);
    master.ClosePort();

    unsetenv("ZORIC_COM_DIR");
    fs::remove_all(dir);
}

// ---- why a port does not open ----

TEST_F(LostLine, AFailedOpenSaysWhyAndWhatTheNameResolvedTo)
{
    const fs::path dir = fs::temp_directory_path() / ("zoric-open-" + std::to_string(getpid()));
    fs::create_directories(dir);
    setenv("ZORIC_COM_DIR", dir.c_str(), 1);
    fs::create_symlink(dir / "gone", dir / "COM5");  // a simulator that ended without tidying up

    CModbusMaster other;
    EXPECT_FALSE(other.OpenPort("COM5", 9600, 0));
    PortOpenError e = other.LastOpenError();
    EXPECT_EQ(e.reason, PortOpenReason::NoDevice);
    EXPECT_EQ(e.name, "COM5");
    EXPECT_EQ(e.device, "/dev/ttyS4");
    EXPECT_FALSE(other.OpenPort(31u, 9600, 0));
    EXPECT_EQ(other.LastOpenError().name, "COM31");
    EXPECT_EQ(other.LastOpenError().device, "/dev/ttyS30");

    AnswerReads();  // this fixture's master holds PathA now
    EXPECT_FALSE(other.OpenPort(line.PathA(), 9600, 0));
    e = other.LastOpenError();
    EXPECT_EQ(e.reason, PortOpenReason::InUse);
    EXPECT_EQ(e.holderPid, getpid());
    EXPECT_FALSE(master.OpenPort(line.PathA(), 9600, 0));
    EXPECT_EQ(master.LastOpenError().reason, PortOpenReason::InUse) << "this master holds it already";

    master.ClosePort();
    EXPECT_FALSE(other.OpenPort(line.PathA(), 12345, 0));
    EXPECT_EQ(other.LastOpenError().reason, PortOpenReason::SettingsNotSupported);
    EXPECT_FALSE(other.IsPortOpen());
    EXPECT_TRUE(other.OpenPort(line.PathA(), 9600, 0)) << "a refused setting leaves the port free";
    EXPECT_EQ(other.LastOpenError().reason, PortOpenReason::None);

    unsetenv("ZORIC_COM_DIR");
    fs::remove_all(dir);
}

}  // namespace
