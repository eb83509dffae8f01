// The register groups of the system, safety and reciprocating pages against
// the simulated drive: every field lands on its own register, 32-bit values
// high word first, and a short or failed reply never fills a record.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "DriveSimulator.h"
#include "LinkFixture.h"
#include "ModbusMaster.h"

namespace {

using zoric::sim::CDriveSimulator;

class ConfigGroups : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.Start()) << sim.LastError();
        ASSERT_TRUE(master.OpenWithMode(sim.SlavePath(), "9600,n,8,2"));
    }
    void TearDown() override
    {
        master.ClosePort();
        sim.Stop();
    }
    void SetU32(uint16_t reg, uint32_t value)
    {
        sim.SetRegister(reg, static_cast<uint16_t>(value >> 16));
        sim.SetRegister(static_cast<uint16_t>(reg + 1), static_cast<uint16_t>(value));
    }
    uint32_t GetU32(uint16_t reg)
    {
        return static_cast<uint32_t>(sim.GetRegister(reg)) << 16 | sim.GetRegister(static_cast<uint16_t>(reg + 1));
    }
    static uint32_t Bits(float f)
    {
        uint32_t b;
        std::memcpy(&b, &f, sizeof b);
        return b;
    }

    CDriveSimulator sim;
    CModbusMaster master;
};

TEST_F(ConfigGroups, SystemBlocksMapEveryRegisterAndTheFloatsHighWordFirst)
{
    for (uint16_t r = 128; r <= 139; ++r) sim.SetRegister(r, static_cast<uint16_t>(1000 + r));
    SetU32(140, Bits(1.5f));  // 3F C0 00 00
    sim.SetRegister(142, 25);
    sim.SetRegister(143, 7);
    SetU32(150, Bits(-2.25f));
    sim.SetRegister(152, 65036);
    sim.SetRegister(153, 1);
    sim.SetRegister(154, 4);
    sim.SetRegister(155, 6);

    SystemParams p{};
    SystemParamsExt e{};
    ASSERT_EQ(master.ReadSystemParams(1, p), kResultOk);
    ASSERT_EQ(master.ReadSystemParamsExt(1, e), kResultOk);
    EXPECT_EQ(p.limitPolarity, 1128);
    EXPECT_EQ(p.logicType, 1133);
    EXPECT_EQ(p.potLowMv, 1134);
    EXPECT_EQ(p.deadZoneMv, 1139);
    EXPECT_EQ(p.pulseMultiplier, 1.5f);
    EXPECT_EQ(p.stallStopTime, 25);
    EXPECT_EQ(p.reserved, 7);
    EXPECT_EQ(e.analogFactor, -2.25f);
    EXPECT_EQ(e.analogOffset, 65036);
    EXPECT_EQ(e.buzzerDisabled, 1);
    EXPECT_EQ(e.portInputType, 4);
    EXPECT_EQ(e.portControlType, 6);

    p.limitPolarity = 65535;
    p.analogHighMv = 3300;
    p.pulseMultiplier = 2.01f;
    p.reserved = 0;
    e.analogFactor = 0.5f;
    e.portControlType = 3;
    ASSERT_EQ(master.WriteSystemParams(1, p), kResultOk);
    ASSERT_EQ(master.WriteSystemParamsExt(1, e), kResultOk);
    EXPECT_EQ(sim.GetRegister(128), 65535);
    EXPECT_EQ(sim.GetRegister(129), 1129);
    EXPECT_EQ(sim.GetRegister(137), 3300);
    EXPECT_EQ(GetU32(140), Bits(2.01f));
    EXPECT_EQ(sim.GetRegister(142), 25);
    EXPECT_EQ(sim.GetRegister(143), 0);
    EXPECT_EQ(GetU32(150), 0x3F000000u);
    EXPECT_EQ(sim.GetRegister(152), 65036);
    EXPECT_EQ(sim.GetRegister(155), 3);
}

TEST_F(ConfigGroups, SafetyBlockMapsAllFourteenRegisters)
{
    SafetyParams s{};
    uint16_t* words = &s.overTempShutdown;
    for (int i = 0; i < 14; ++i) words[i] = static_cast<uint16_t>(0xA000 + i);
    ASSERT_EQ(master.WriteSafetyParams(1, s), kResultOk);
    for (uint16_t i = 0; i < 14; ++i) EXPECT_EQ(sim.GetRegister(static_cast<uint16_t>(256 + i)), 0xA000 + i) << i;

    sim.SetRegister(256, 65526);
    sim.SetRegister(269, 0x1234);
    SafetyParams back{};
    ASSERT_EQ(master.ReadSafetyParams(1, back), kResultOk);
    EXPECT_EQ(back.overTempShutdown, 65526);
    EXPECT_EQ(back.overVoltage, 0xA002);
    EXPECT_EQ(back.clearOverTemp, 0xA008);
    EXPECT_EQ(back.voltageOffset, 0x1234);
}

TEST_F(ConfigGroups, ReciprocatingTravelIsOneHighWordFirstNumber)
{
    sim.SetRegister(160, 2);
    SetU32(162, 100000);  // 0x0001 0x86A0
    sim.SetRegister(164, 1234);
    sim.SetRegister(169, 29);
    ReciprocateParams p{};
    ASSERT_EQ(master.ReadReciprocateParams(1, p), kResultOk);
    EXPECT_EQ(p.homingMode, 2);
    EXPECT_EQ(p.totalTravel, 100000u);
    EXPECT_EQ(p.coarseSpeed, 1234);
    EXPECT_EQ(p.homingTorque, 29);

    p.totalTravel = 0xFEDCBA98u;
    p.deadBand = 15;
    ASSERT_EQ(master.WriteReciprocateParams(1, p), kResultOk);
    EXPECT_EQ(sim.GetRegister(162), 0xFEDC);
    EXPECT_EQ(sim.GetRegister(163), 0xBA98);
    EXPECT_EQ(sim.GetRegister(167), 15);
    EXPECT_EQ(sim.GetRegister(164), 1234);

    PresetSpeeds s{1, 0, 150, 65535};
    ASSERT_EQ(master.WritePresetSpeeds(1, s), kResultOk);
    EXPECT_EQ(sim.GetRegister(176), 1);
    EXPECT_EQ(sim.GetRegister(178), 150);
    EXPECT_EQ(sim.GetRegister(179), 65535);
    sim.SetRegister(177, 1);
    PresetSpeeds back{};
    ASSERT_EQ(master.ReadPresetSpeeds(1, back), kResultOk);
    EXPECT_EQ(back.controlMode, 1);
    EXPECT_EQ(back.forwardSpeed, 150);
}

TEST_F(ConfigGroups, TestCommandRegisterRunsAMeasurementToItsEnd)
{
    uint16_t command = 0xFFFF;
    ASSERT_EQ(master.ReadReciprocateCommand(1, command), kResultOk);
    EXPECT_EQ(command, 0);
    // The drive refuses commands it does not know; nothing starts.
    EXPECT_EQ(master.WriteReciprocateCommand(1, 5), 3u);

    sim.SetRegister(164, 60000);  // coarse homing speed: be quick
    sim.SetRegister(161, 0);      // and no slow fine approach
    ASSERT_EQ(master.WriteReciprocateCommand(1, ReciprocateCommand::kMeasureTravel), kResultOk);
    ASSERT_EQ(master.ReadReciprocateCommand(1, command), kResultOk);
    EXPECT_EQ(command, ReciprocateCommand::kMeasureTravel);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (command != 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_EQ(master.ReadReciprocateCommand(1, command), kResultOk);
    }
    EXPECT_EQ(command, 0);
    ReciprocateParams p{};
    ASSERT_EQ(master.ReadReciprocateParams(1, p), kResultOk);
    EXPECT_GT(p.totalTravel, 0u);
}

TEST_F(ConfigGroups, FailedReadsLeaveTheRecordAlone)
{
    master.ClosePort();
    SafetyParams s{};
    s.overCurrent = 4242;
    EXPECT_EQ(master.ReadSafetyParams(1, s), kResultPortNotOpen);
    EXPECT_EQ(s.overCurrent, 4242);
    uint16_t command = 77;
    EXPECT_EQ(master.ReadReciprocateCommand(1, command), kResultPortNotOpen);
    EXPECT_EQ(command, 77);
    EXPECT_EQ(master.WriteReciprocateCommand(1, 1), kResultPortNotOpen);
}

// A drive that answers every read with one register fewer than asked for:
// the page would otherwise show zeros and "配置" would send them back.
class ShortReplies : public LinkFixture {};

TEST_F(ShortReplies, AreBadResponsesNotZeros)
{
    std::mutex lock;
    Answer([&](const std::vector<uint8_t>& req) {
        std::lock_guard<std::mutex> g(lock);
        const int count = (req[4] << 8 | req[5]) - 1;
        std::vector<uint8_t> out{req[0], 0x03, static_cast<uint8_t>(2 * count)};
        for (int i = 0; i < 2 * count; ++i) out.push_back(0x11);
        return SlaveReply::Bytes(WithCrc(out));
    });
    SystemParams p{};
    p.potHighMv = 5000;
    EXPECT_EQ(master.ReadSystemParams(1, p), kResultBadResponse);
    EXPECT_EQ(p.potHighMv, 5000);
    ReciprocateParams r{};
    r.totalTravel = 9;
    EXPECT_EQ(master.ReadReciprocateParams(1, r), kResultBadResponse);
    EXPECT_EQ(r.totalTravel, 9u);
    uint16_t command = 3;
    EXPECT_EQ(master.ReadReciprocateCommand(1, command), kResultBadResponse);  // zero registers
    EXPECT_EQ(command, 3);
    // The request itself asked for the whole group.
    const auto request = LastRequest();
    ASSERT_EQ(request.size(), 8u);
    EXPECT_EQ(request[3], 170);
    EXPECT_EQ(request[5], 1);
}

}  // namespace
