// The motor register groups against a scripted drive on a tty pair: the exact
// request bytes each group sends and how the replies land in the records.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <mutex>

#include "LinkFixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A drive that is nothing but a bank of holding registers (functions 3, 6
// and 16).
class RegisterDrive : public LinkFixture {
protected:
    void SetUp() override
    {
        Answer([this](const Bytes& req) { return Serve(req); });
    }

    uint16_t Reg(uint16_t a)
    {
        std::lock_guard<std::mutex> g(lock);
        return regs[a];
    }
    void SetReg(uint16_t a, uint16_t v)
    {
        std::lock_guard<std::mutex> g(lock);
        regs[a] = v;
    }

    SlaveReply Serve(const Bytes& req)
    {
        std::lock_guard<std::mutex> g(lock);
        const uint16_t start = static_cast<uint16_t>(req[2] << 8 | req[3]);
        switch (req[1]) {
        case 0x03: {
            const int count = req[4] << 8 | req[5];
            Bytes out{req[0], 0x03, static_cast<uint8_t>(2 * count)};
            for (int i = 0; i < count; ++i) {
                uint16_t v = regs[static_cast<uint16_t>(start + i)];
                out.push_back(static_cast<uint8_t>(v >> 8));
                out.push_back(static_cast<uint8_t>(v));
            }
            return SlaveReply::Bytes(WithCrc(out));
        }
        case 0x06:
            regs[start] = static_cast<uint16_t>(req[4] << 8 | req[5]);
            return SlaveReply::Bytes(WithCrc(Bytes(req.begin(), req.begin() + 6)));
        case 0x10: {
            const int count = req[4] << 8 | req[5];
            for (int i = 0; i < count; ++i)
                regs[static_cast<uint16_t>(start + i)] = static_cast<uint16_t>(
                    req[static_cast<size_t>(7 + 2 * i)] << 8 | req[static_cast<size_t>(8 + 2 * i)]);
            return SlaveReply::Bytes(WithCrc(Bytes(req.begin(), req.begin() + 6)));
        }
        default: return SlaveReply::Silent();
        }
    }

    std::mutex lock;
    std::map<uint16_t, uint16_t> regs;
};

TEST_F(RegisterDrive, MotorCommandsGoToTheirRegistersWithSignedValuesInTwosComplement)
{
    ASSERT_EQ(master.WriteSpeedCommand(1, -1000, CModbusMaster::SpeedCommandKind::Pwm), 0u);
    EXPECT_EQ(LastRequest(), WithCrc({0x01, 0x06, 0x00, 0x42, 0xFC, 0x18}));
    ASSERT_EQ(master.WriteSpeedCommand(1, -32767, CModbusMaster::SpeedCommandKind::Frequency), 0u);
    EXPECT_EQ(LastRequest(), WithCrc({0x01, 0x06, 0x00, 0x43, 0x80, 0x01}));
    ASSERT_EQ(master.WriteStopMode(1, 2), 0u);
    EXPECT_EQ(LastRequest(), WithCrc({0x01, 0x06, 0x00, 0x40, 0x00, 0x02}));

    // Frequency, type, then the 32-bit target high word first.
    ASSERT_EQ(master.WritePositionMove(1, 123, -2, 1), 0u);
    EXPECT_EQ(LastRequest(),
              WithCrc({0x01, 0x10, 0x00, 0x44, 0x00, 0x04, 0x08, 0x00, 0x7B, 0x00, 0x01, 0xFF, 0xFF, 0xFF, 0xFE}));
    ASSERT_EQ(master.WritePositionMove(1, 65535, 0x12345678, 0), 0u);
    EXPECT_EQ(Reg(70), 0x1234);
    EXPECT_EQ(Reg(71), 0x5678);

    ASSERT_EQ(master.WriteSpeedRangeSwitch(1, 1), 0u);
    EXPECT_EQ(LastRequest(), WithCrc({0x01, 0x06, 0x00, 0x77, 0x00, 0x01}));
}

TEST_F(RegisterDrive, RampsAndMotorParamsLandInTheirFieldsAndGoBackUnchanged)
{
    for (uint16_t a = 80; a <= 83; ++a) SetReg(a, static_cast<uint16_t>(0xA000 + a));
    RampSettings ramps{};
    ASSERT_EQ(master.ReadRampSettings(1, ramps), 0u);
    EXPECT_EQ(LastRequest(), WithCrc({0x01, 0x03, 0x00, 0x50, 0x00, 0x04}));
    EXPECT_EQ(ramps.pwmRise, 0xA050);
    EXPECT_EQ(ramps.deceleration, 0xA053);
    ramps = {7, 8, 5000, 65535};
    ASSERT_EQ(master.WriteRampSettings(1, ramps), 0u);
    EXPECT_EQ(LastRequest(), WithCrc({0x01, 0x10, 0x00, 0x50, 0x00, 0x04, 0x08, 0, 7, 0, 8, 0x13, 0x88, 0xFF, 0xFF}));

    for (uint16_t a = 96; a <= 123; ++a) SetReg(a, static_cast<uint16_t>(a * 257));
    MotorParams p{};
    ASSERT_EQ(master.ReadMotorParams(1, p), 0u);
    EXPECT_EQ(LastRequest(), WithCrc({0x01, 0x03, 0x00, 0x60, 0x00, 0x1C}));
    EXPECT_EQ(p.pwmStartRamp, 96 * 257);
    EXPECT_EQ(p.defaultFrequency, 103 * 257);
    EXPECT_EQ(p.ratedCurrent, 106 * 257);
    EXPECT_EQ(p.phaseSequence[0], 109 * 257);
    EXPECT_EQ(p.phaseSequence[2], 111 * 257);
    EXPECT_EQ(p.speedAlgorithm, 112 * 257);
    EXPECT_EQ(p.speedRangeX10, 119 * 257);
    EXPECT_EQ(p.detectInitialSpeed, 123 * 257);

    for (uint16_t a = 96; a <= 123; ++a) SetReg(a, 0);
    ASSERT_EQ(master.WriteMotorParams(1, p), 0u);
    const Bytes req = LastRequest();
    ASSERT_EQ(req.size(), 7u + 56u + 2u);
    EXPECT_EQ(Bytes(req.begin(), req.begin() + 7), (Bytes{0x01, 0x10, 0x00, 0x60, 0x00, 0x1C, 0x38}));
    for (uint16_t a = 96; a <= 123; ++a) EXPECT_EQ(Reg(a), a * 257) << "register " << a;
}

TEST_F(RegisterDrive, PidGainsAreFloatsHighWordFirst)
{
    SetReg(186, 0x3F80);  // self-lock Kp 1.0
    SetReg(187, 0x0000);
    SetReg(202, 0xC2F6);  // position Kd -123.456
    SetReg(203, 0xE979);
    PidParams p{};
    ASSERT_EQ(master.ReadPidParams(1, p), 0u);
    EXPECT_EQ(LastRequest(), WithCrc({0x01, 0x03, 0x00, 0xBA, 0x00, 0x12}));
    EXPECT_EQ(p.selfLockKp, 1.0f);
    EXPECT_EQ(p.positionKd, -123.456f);
    EXPECT_EQ(p.speedKp, 0.0f);

    p = {};
    p.speedKp = 0.5f;        // 0x3F000000 at 192-193
    p.positionKi = 65536.f;  // 0x47800000 at 200-201
    ASSERT_EQ(master.WritePidParams(1, p), 0u);
    const Bytes req = LastRequest();
    ASSERT_EQ(req.size(), 7u + 36u + 2u);
    EXPECT_EQ(Bytes(req.begin(), req.begin() + 7), (Bytes{0x01, 0x10, 0x00, 0xBA, 0x00, 0x12, 0x24}));
    EXPECT_EQ(Bytes(req.begin() + 7 + 12, req.begin() + 7 + 16), (Bytes{0x3F, 0x00, 0x00, 0x00}));
    EXPECT_EQ(Bytes(req.begin() + 7 + 28, req.begin() + 7 + 32), (Bytes{0x47, 0x80, 0x00, 0x00}));
}

TEST_F(RegisterDrive, FocSettingsCarryTheUninterpretedRegisters)
{
    for (uint16_t a = 768; a <= 779; ++a) SetReg(a, static_cast<uint16_t>(a - 700));
    SetReg(771, 0xBEEF);
    SetReg(779, 0xCAFE);
    FocParams f{};
    ASSERT_EQ(master.ReadFocParams(1, f), 0u);
    EXPECT_EQ(LastRequest(), WithCrc({0x01, 0x03, 0x03, 0x00, 0x00, 0x0C}));
    EXPECT_EQ(f.modeBits, 68);
    EXPECT_EQ(f.reserved771, 0xBEEF);
    EXPECT_EQ(f.phaseOffset, 72);
    EXPECT_EQ(f.fluxDisableCurrent, 76);
    EXPECT_EQ(f.reserved779, 0xCAFE);
    for (uint16_t a = 768; a <= 779; ++a) SetReg(a, 0);
    ASSERT_EQ(master.WriteFocParams(1, f), 0u);
    EXPECT_EQ(Reg(771), 0xBEEF);
    EXPECT_EQ(Reg(779), 0xCAFE);
    EXPECT_EQ(Reg(778), 78);
}

TEST_F(RegisterDrive, ProcedureControlWritesFourWordsAndThePollLengthFollowsWordFour)
{
    ProcedureBlock b{};
    for (int i = 0; i < ProcedureBlock::kWords; ++i) b.words[i] = static_cast<uint16_t>(0x100 + i);
    b.words[0] = 1;
    b.words[1] = 1;
    ASSERT_EQ(master.WriteProcedureControl(1, b), 0u);
    EXPECT_EQ(LastRequest(), WithCrc({0x01, 0x10, 0x00, 0xE0, 0x00, 0x04, 0x08, 0, 1, 0, 1, 0x01, 0x02, 0x01, 0x03}));
    EXPECT_EQ(Reg(228), 0) << "word 4 is never written";

    for (uint16_t a = 224; a <= 239; ++a) SetReg(a, static_cast<uint16_t>(a));
    b = {};
    b.words[4] = 6;
    ASSERT_EQ(master.ReadProcedureStatus(1, b), 0u);
    EXPECT_EQ(LastRequest(), WithCrc({0x01, 0x03, 0x00, 0xE0, 0x00, 0x0B}));
    EXPECT_EQ(b.words[2], 226);
    EXPECT_EQ(b.words[10], 234);
    EXPECT_EQ(b.words[11], 0) << "beyond the poll stays as it was";

    b = {};
    b.words[4] = 0xFFFF;  // a huge extra length is held to the block
    ASSERT_EQ(master.ReadProcedureStatus(1, b), 0u);
    EXPECT_EQ(LastRequest(), WithCrc({0x01, 0x03, 0x00, 0xE0, 0x00, 0x10}));
    EXPECT_EQ(b.words[15], 239);
}

}  // namespace
