// The simulator as a master sees it: libmodbus (an independent Modbus
// implementation) and a raw byte line on the simulator's pseudo-terminal.
#include <gtest/gtest.h>
#include <modbus/modbus.h>
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <thread>

#include "DriveSimulator.h"
#include "RawLine.h"

using namespace zoric::sim;
using namespace std::chrono_literals;
using Bytes = RawLine::Bytes;

namespace {

SimOptions FastOptions()
{
    SimOptions o;
    o.timeScale = 0.01;
    o.lateAnswerMs = 600;
    o.splitPauseMs = 50;
    return o;
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 2000ms)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(5ms);
    }
    return condition();
}

Bytes ExceptionFrame(std::uint8_t function, std::uint8_t code)
{
    Bytes f = {0x01, static_cast<std::uint8_t>(function | 0x80), code};
    AppendCrc(f);
    return f;
}

struct Sdo {
    std::uint16_t command, index, sub;
    std::uint32_t data;
};

class SimLink : public ::testing::Test {
protected:
    void SetUp() override { Open(FastOptions()); }
    void TearDown() override { Close(); }

    void Open(const SimOptions& options)
    {
        m_sim = std::make_unique<CDriveSimulator>(options);
        ASSERT_TRUE(m_sim->Start()) << m_sim->LastError();
        m_ctx = modbus_new_rtu(m_sim->SlavePath().c_str(), 9600, 'N', 8, 2);
        ASSERT_NE(m_ctx, nullptr);
        modbus_set_slave(m_ctx, 1);
        ASSERT_EQ(modbus_connect(m_ctx), 0);
        modbus_set_response_timeout(m_ctx, 0, 400000);
    }
    void Close()
    {
        if (m_ctx) {
            modbus_close(m_ctx);
            modbus_free(m_ctx);
            m_ctx = nullptr;
        }
        m_sim.reset();
    }

    std::vector<std::uint16_t> Read(int address, int count)
    {
        std::vector<std::uint16_t> values(static_cast<std::size_t>(count));
        if (modbus_read_registers(m_ctx, address, count, values.data()) != count) values.clear();
        return values;
    }
    int Write(int address, std::vector<std::uint16_t> values)
    {
        return values.size() == 1 ? modbus_write_register(m_ctx, address, values[0])
                                  : modbus_write_registers(m_ctx, address, int(values.size()), values.data());
    }
    // One SDO through the tunnel, the way the tool does it: write the six
    // registers, then read them straight back.
    Sdo Transfer(std::uint8_t command, std::uint16_t index, std::uint8_t sub, std::uint32_t data = 0)
    {
        const std::vector<std::uint16_t> request = {
            command, index, sub, 0, std::uint16_t(data >> 16), std::uint16_t(data)};
        EXPECT_EQ(Write(0x200, request), 6);
        const auto r = Read(0x200, 6);
        if (r.size() != 6) return {};
        return {r[0], r[1], r[2], std::uint32_t(r[4]) << 16 | r[5]};
    }
    std::int32_t Position()
    {
        return std::int32_t(std::uint32_t(m_sim->GetRegister(36)) << 16 | m_sim->GetRegister(37));
    }

    std::unique_ptr<CDriveSimulator> m_sim;
    modbus_t* m_ctx = nullptr;
};

}  // namespace

TEST_F(SimLink, ReadsEveryRegisterGroupTheToolUses)
{
    const std::pair<int, int> groups[] = {{0, 16},   {32, 27},  {64, 8},   {80, 4},     {96, 28},  {128, 16},
                                          {150, 6},  {0x90, 6}, {0x9C, 2}, {0x120, 10}, {160, 11}, {176, 4},
                                          {186, 18}, {224, 16}, {256, 14}, {0x200, 6},  {768, 12}, {0x700A, 1}};
    for (const auto& [start, count] : groups)
        EXPECT_EQ(Read(start, count).size(), std::size_t(count)) << "group at " << start;

    const auto info = Read(0, 16);
    ASSERT_EQ(info.size(), 16u);
    EXPECT_EQ(info[1], 0x0203);
    EXPECT_EQ(info[2], ('Z' << 8) | 'O');
    EXPECT_EQ(info[6], ('C' << 8) | 0xC7);  // GBK lead byte of the first Chinese character
    EXPECT_EQ(info[9] & 0xFF, 0);           // the model text ends within its 16 bytes
    EXPECT_EQ(info[14], 1);
    // The communication registers describe the line the drive runs on.
    EXPECT_EQ(Read(0x90, 3), (std::vector<std::uint16_t>{0, 9600, 0}));
    EXPECT_EQ(Read(0x9C, 1), std::vector<std::uint16_t>{1});
    const auto live = Read(32, 27);
    EXPECT_EQ(live[51 - 32], 0);                                            // no error
    EXPECT_NEAR(live[56 - 32], 240, 3);                                     // 24 V supply
    EXPECT_GT(live[55 - 32], 150);                                          // above 15 degrees
    EXPECT_EQ(Read(186, 2), (std::vector<std::uint16_t>{0x3F4C, 0xCCCD}));  // 0.8f

    for (int hole : {16, 59, 72, 84, 124, 158, 171, 204, 240, 270, 0x12A, 0x206, 780, 0x7009})
        EXPECT_TRUE(Read(hole, 1).empty() && errno == EMBXILADD) << hole;
    EXPECT_TRUE(Read(14, 3).empty());  // a block running past the map's end
}

TEST_F(SimLink, WritesReadBackAndBadWritesAreRefused)
{
    auto params = Read(96, 28);
    ASSERT_EQ(params.size(), 28u);
    params[106 - 96] = 321;
    params[115 - 96] = 10;
    EXPECT_EQ(Write(96, params), 28);
    EXPECT_EQ(Read(96, 28), params);
    EXPECT_EQ(Write(0x129, {500}), 1);
    EXPECT_EQ(m_sim->GetObject(0x1017, 0), 500u);  // heartbeat register and object are one setting

    EXPECT_EQ(Write(0, {1}), -1);  // device information is read-only
    EXPECT_EQ(errno, EMBXILADD);
    EXPECT_EQ(Write(34, {1}), -1);
    EXPECT_EQ(errno, EMBXILADD);
    EXPECT_EQ(Write(64, {3}), -1);  // no such stop mode
    EXPECT_EQ(errno, EMBXILVAL);
    EXPECT_EQ(Write(66, {1001}), -1);
    EXPECT_EQ(errno, EMBXILVAL);
    EXPECT_EQ(Write(0x700A, {2}), -1);
    EXPECT_EQ(errno, EMBXILVAL);

    RawLine line(m_sim->SlavePath());
    // Register counts beyond the function's limits.
    EXPECT_EQ(line.Exchange({0x01, 0x03, 0x00, 0x00, 0x00, 0x7E}), ExceptionFrame(0x03, 0x03));
    EXPECT_EQ(line.Exchange({0x01, 0x03, 0x00, 0x00, 0x00, 0x00}), ExceptionFrame(0x03, 0x03));
    EXPECT_EQ(line.Exchange({0x01, 0x10, 0x00, 0x60, 0x00, 0x02, 0x02, 0x00, 0x01}), ExceptionFrame(0x10, 0x03));
    EXPECT_EQ(line.Exchange({0x01, 0x01, 0x00, 0x00, 0x00, 0x01}), ExceptionFrame(0x01, 0x01));
}

TEST_F(SimLink, DriveRefusesCommandsItCannotCarryOut)
{
    RawLine line(m_sim->SlavePath());
    m_sim->SetRegister(117, 0);
    EXPECT_EQ(line.Exchange({0x01, 0x06, 0x00, 0x43, 0x01, 0x00}), ExceptionFrame(0x06, 0x60));
    EXPECT_EQ(line.Exchange({0x01, 0x06, 0x00, 0xAA, 0x00, 0x04}), ExceptionFrame(0x06, 0x60));
    EXPECT_EQ(Write(64, {0}), 1);  // stopping is always allowed
    m_sim->SetRegister(117, 1);

    ASSERT_EQ(Write(67, {1000}), 1);
    EXPECT_EQ(line.Exchange({0x01, 0x06, 0x00, 0x6A, 0x01, 0x00}), ExceptionFrame(0x06, 0x40));  // 106 while running
    EXPECT_EQ(line.Exchange({0x01, 0x06, 0x00, 0xAA, 0x00, 0x02}), ExceptionFrame(0x06, 0x40));  // homing while running
    EXPECT_EQ(Write(82, {2000}), 1);  // the ramps may change on the fly
    ASSERT_EQ(Write(64, {1}), 1);
    ASSERT_TRUE(WaitFor([&] { return m_sim->GetRegister(34) == 0; }));
    EXPECT_EQ(Write(106, {400}), 1);

    ASSERT_EQ(Write(224, {1, 1, 0, 0}), 4);
    EXPECT_EQ(line.Exchange({0x01, 0x10, 0x00, 0xE0, 0x00, 0x02, 0x04, 0x00, 0x00, 0x00, 0x01}),
              ExceptionFrame(0x10, 0x06));
    EXPECT_EQ(line.Exchange({0x01, 0x06, 0x00, 0x43, 0x01, 0x00}), ExceptionFrame(0x06, 0x06));
    // The tool's stop write ends the procedure and keeps the state it sends.
    ASSERT_EQ(Write(224, {0, 0, 1, 0}), 4);
    EXPECT_EQ(Read(225, 2), (std::vector<std::uint16_t>{0, 1}));
    m_sim->SetRegister(118, 1);  // learning switched off
    EXPECT_EQ(line.Exchange({0x01, 0x10, 0x00, 0xE0, 0x00, 0x02, 0x04, 0x00, 0x00, 0x00, 0x01}),
              ExceptionFrame(0x10, 0x40));

    // Over-temperature: a shutdown limit below the drive's 25 degrees.
    ASSERT_EQ(Write(67, {500}), 1);
    m_sim->SetRegister(264, 0);  // the alarm stays until acknowledged
    m_sim->SetRegister(256, 20);
    ASSERT_TRUE(WaitFor([&] { return m_sim->GetRegister(51) == 7; }));
    EXPECT_EQ(m_sim->GetRegister(32), 0);  // power off, coasting
    EXPECT_EQ(line.Exchange({0x01, 0x06, 0x00, 0x43, 0x01, 0x00}), ExceptionFrame(0x06, 0x40));
    m_sim->SetRegister(256, 85);
    EXPECT_EQ(m_sim->GetRegister(51), 7);
    ASSERT_EQ(Write(64, {1}), 1);
    EXPECT_EQ(m_sim->GetRegister(51), 0);
    EXPECT_EQ(Write(67, {100}), 1);
    m_sim->SetRegister(264, 1);  // now it clears by itself once cool again
    m_sim->SetRegister(256, 20);
    ASSERT_TRUE(WaitFor([&] { return m_sim->GetRegister(51) == 7; }));
    m_sim->SetRegister(256, 85);
    EXPECT_EQ(m_sim->GetRegister(51), 0);
}

TEST_F(SimLink, MotorFollowsCommandsRampsAndStopModes)
{
    ASSERT_EQ(Write(82, {10000, 20000}), 2);  // 1000.0 Hz/s up, 2000.0 Hz/s down
    ASSERT_EQ(Write(67, {2000}), 1);          // 200.0 Hz
    std::this_thread::sleep_for(50ms);
    const auto early = static_cast<std::int16_t>(m_sim->GetRegister(34));
    EXPECT_GT(early, 0);
    EXPECT_LT(early, 2000);  // still on the ramp
    ASSERT_TRUE(WaitFor([&] { return m_sim->GetRegister(34) == 2000; }));
    EXPECT_EQ(m_sim->GetRegister(52), 500);  // 200 Hz, 8 poles: 200 * 60 / 24 rpm
    EXPECT_GT(static_cast<std::int16_t>(m_sim->GetRegister(32)), 0);
    EXPECT_GT(m_sim->GetRegister(33), 0);
    const std::int32_t before = Position();
    std::this_thread::sleep_for(50ms);
    EXPECT_GT(Position(), before + 5);

    ASSERT_EQ(Write(64, {2}), 1);  // free stop: power off at once, the motor coasts
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(m_sim->GetRegister(32), 0);
    EXPECT_GT(static_cast<std::int16_t>(m_sim->GetRegister(34)), 100);
    ASSERT_EQ(Write(64, {1}), 1);  // an emergency stop catches the coasting motor at once
    ASSERT_TRUE(WaitFor([&] { return m_sim->GetRegister(34) == 0; }, 100ms));

    // Speed range x10: whole hertz in commands and status.
    ASSERT_EQ(Write(119, {1}), 1);
    EXPECT_EQ(Read(53, 2), (std::vector<std::uint16_t>{1, 1}));
    ASSERT_EQ(Write(67, {100}), 1);
    ASSERT_TRUE(WaitFor([&] { return m_sim->GetRegister(34) == 100; }));
    EXPECT_EQ(m_sim->GetRegister(52), 25);  // 250 rpm in tens
    ASSERT_EQ(Write(64, {0}), 1);
    ASSERT_TRUE(WaitFor([&] { return m_sim->GetRegister(34) == 0; }));
    ASSERT_EQ(Write(119, {0}), 1);

    // A relative move of 150 pulses at 500.0 Hz.
    ASSERT_EQ(Write(0x700A, {1}), 1);
    EXPECT_EQ(Position(), 0);
    ASSERT_EQ(Write(68, {5000, 1, 0, 150}), 4);
    EXPECT_EQ(m_sim->GetRegister(35), 0);
    ASSERT_TRUE(WaitFor([&] { return m_sim->GetRegister(35) != 0; }));
    EXPECT_EQ(Position(), 150);
    EXPECT_EQ(Read(38, 2), (std::vector<std::uint16_t>{0, 0}));
    // Absolute back to -20.
    ASSERT_EQ(Write(68, {5000, 0, 0xFFFF, 0xFFEC}), 4);
    ASSERT_TRUE(WaitFor([&] { return m_sim->GetRegister(35) != 0; }));
    EXPECT_EQ(Position(), -20);
}

TEST_F(SimLink, ProceduresRunToTheirEnd)
{
    m_sim->SetRegister(117, 0);
    for (int a = 109; a <= 111; ++a) m_sim->SetRegister(std::uint16_t(a), 0);
    ASSERT_EQ(Write(224, {0, 1, 0, 0}), 4);
    ASSERT_TRUE(WaitFor([&] { return m_sim->GetRegister(226) == 3; }));
    EXPECT_EQ(Read(224, 11), (std::vector<std::uint16_t>{0, 0, 3, 0, 0, 0x01, 0x05, 0x04, 0x06, 0x02, 0x03}));
    EXPECT_EQ(Read(109, 3), (std::vector<std::uint16_t>{0x0105, 0x0406, 0x0203}));
    EXPECT_EQ(m_sim->GetRegister(117), 1);
    ASSERT_EQ(Write(224, {0, 0, 3, 0}), 4);  // the tool's closing write

    ASSERT_EQ(Write(224, {1, 1, 0, 0}), 4);
    const auto poll = Read(225, 5);
    EXPECT_EQ(poll[0], 1);
    EXPECT_EQ(poll[1], 1);  // running
    EXPECT_GE(poll[4], 1);  // step number
    ASSERT_TRUE(WaitFor([&] { return m_sim->GetRegister(226) == 3; }));
    EXPECT_EQ(Read(229, 2), (std::vector<std::uint16_t>{std::uint16_t(-10), 25}));

    Close();
    SimOptions failing = FastOptions();
    failing.learningFails = true;
    Open(failing);
    ASSERT_EQ(Write(224, {0, 1, 0, 0}), 4);
    ASSERT_TRUE(WaitFor([&] { return m_sim->GetRegister(226) == 4; }));
    EXPECT_EQ(m_sim->GetRegister(225), 0);
    EXPECT_EQ(m_sim->GetRegister(117), 0);
}

TEST_F(SimLink, ReciprocatingTestsMoveBetweenTheLimitSwitches)
{
    ASSERT_EQ(Write(170, {4}), 1);
    EXPECT_EQ(Read(170, 1), std::vector<std::uint16_t>{4});
    ASSERT_TRUE(WaitFor([&] { return m_sim->GetRegister(170) == 0; }));
    EXPECT_EQ(Read(162, 2), (std::vector<std::uint16_t>{0, 12800}));
    EXPECT_EQ(Read(44, 2), (std::vector<std::uint16_t>{0, 1}));  // standing on SQ2
    EXPECT_EQ(Position(), 12800);                                // counted from SQ1

    ASSERT_EQ(Write(170, {2}), 1);
    ASSERT_TRUE(WaitFor([&] { return m_sim->GetRegister(170) == 0; }));
    EXPECT_EQ(Read(44, 2), (std::vector<std::uint16_t>{1, 0}));
    EXPECT_EQ(Position(), 0);

    ASSERT_EQ(Write(170, {3}), 1);
    EXPECT_EQ(Write(170, {2}), -1);   // one test at a time
    EXPECT_EQ(errno, EMBXSFAIL + 2);  // 6, device busy
    ASSERT_EQ(Write(170, {1}), 1);    // cancel
    EXPECT_EQ(m_sim->GetRegister(170), 0);
    EXPECT_EQ(m_sim->GetRegister(45), 0);
}

TEST_F(SimLink, IdentificationComesInTwoAnswers)
{
    RawLine line(m_sim->SlavePath());
    const Bytes first = line.Exchange({0x01, 0x2B, 0x0E, 0x01, 0x00});
    ASSERT_GE(first.size(), 10u);
    ASSERT_TRUE(HasValidCrc(first.data(), first.size()));
    EXPECT_EQ(Bytes(first.begin(), first.begin() + 3), (Bytes{0x01, 0x2B, 0x0E}));
    EXPECT_EQ(first[5], 0xFF);  // more follows
    EXPECT_EQ(first[6], 0x05);  // from object 5
    EXPECT_EQ(first[7], 5);
    EXPECT_EQ(Bytes(first.begin() + 8, first.begin() + 15), (Bytes{0x00, 5, 'Z', 'O', 'R', 'I', 'C'}));

    const Bytes second = line.Exchange({0x01, 0x2B, 0x0E, 0x01, first[6]});
    ASSERT_TRUE(HasValidCrc(second.data(), second.size()));
    EXPECT_EQ(second[5], 0x00);
    EXPECT_EQ(second[7], 5);
    EXPECT_EQ(second[8], 0x05);
    // Walk the objects: every length must fit, the last one is extended.
    std::size_t at = 8;
    std::uint8_t lastId = 0;
    for (int i = 0; i < second[7]; ++i) {
        ASSERT_LT(at + 1, second.size() - 2);
        lastId = second[at];
        at += 2 + second[at + 1];
    }
    EXPECT_EQ(at, second.size() - 2);
    EXPECT_GE(lastId, 0x80);

    const Bytes single = line.Exchange({0x01, 0x2B, 0x0E, 0x04, 0x02});
    ASSERT_GE(single.size(), 12u);
    EXPECT_EQ(single[7], 1);
    EXPECT_EQ(single[8], 0x02);
    EXPECT_EQ(line.Exchange({0x01, 0x2B, 0x0E, 0x04, 0x70}), ExceptionFrame(0x2B, 0x02));
    EXPECT_EQ(line.Exchange({0x01, 0x2B, 0x0D, 0x01, 0x00}), ExceptionFrame(0x2B, 0x01));
}

TEST_F(SimLink, SdoTunnelAnswersBeforeTheWriteIsAcknowledged)
{
    const Sdo vendor = Transfer(0x40, 0x1018, 1);
    EXPECT_EQ(vendor.command, 0x43);
    EXPECT_EQ(vendor.index, 0x1018);
    EXPECT_EQ(vendor.sub, 1);
    EXPECT_EQ(vendor.data, *m_sim->GetObject(0x1018, 1));
    EXPECT_EQ(Transfer(0x40, 0x1800, 2).command, 0x4F);

    EXPECT_EQ(Transfer(0x2B, 0x1017, 0, 250).command, 0x60);
    EXPECT_EQ(m_sim->GetRegister(0x129), 250);
    const Sdo missing = Transfer(0x40, 0x6000, 0);
    EXPECT_EQ(missing.command, 0x80);
    EXPECT_EQ(missing.index, 0x6000);
    EXPECT_EQ(missing.data, 0x06020000u);
    EXPECT_EQ(Transfer(0x40, 0x1800, 4).data, 0x06090011u);
    EXPECT_EQ(Transfer(0x23, 0x1000, 0, 1).data, 0x06010002u);
    EXPECT_EQ(Transfer(0x23, 0x1800, 3, 1).data, 0x06070010u);
    EXPECT_EQ(Transfer(0x23, 0x1A00, 1, 0x20000110).data, 0x06040043u);

    // The PDO editor's configuration of TPDO2.
    EXPECT_EQ(Transfer(0x23, 0x1801, 1, 0x40000280).command, 0x60);
    EXPECT_EQ(Transfer(0x2F, 0x1801, 2, 1).command, 0x60);
    EXPECT_EQ(Transfer(0x2B, 0x1801, 5, 100).command, 0x60);
    EXPECT_EQ(Transfer(0x2F, 0x1A01, 0, 0).command, 0x60);
    EXPECT_EQ(Transfer(0x23, 0x1A01, 1, 0x20010120).command, 0x60);
    EXPECT_EQ(Transfer(0x23, 0x1A01, 2, 0x20030020).data, 0x06040041u);
    EXPECT_EQ(Transfer(0x23, 0x1A01, 2, 0x20010220).command, 0x60);
    EXPECT_EQ(Transfer(0x23, 0x1A01, 3, 0x20000110).command, 0x60);
    EXPECT_EQ(Transfer(0x2F, 0x1A01, 0, 3).data, 0x06040042u);
    EXPECT_EQ(Transfer(0x2F, 0x1A01, 0, 2).command, 0x60);
    EXPECT_EQ(m_sim->GetObject(0x1A01, 0), 2u);
    EXPECT_EQ(m_sim->GetObject(0x1801, 1), 0x40000280u);
}

TEST_F(SimLink, StoredParametersSurviveARestart)
{
    const auto dir = std::filesystem::temp_directory_path() / ("zoric-sim-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    SimOptions options = FastOptions();
    options.stateFile = (dir / "drive.state").string();
    Close();
    Open(options);
    ASSERT_EQ(Write(106, {777}), 1);
    ASSERT_EQ(Write(0x129, {1500}), 1);
    EXPECT_EQ(Transfer(0x23, 0x1006, 0, 2000).command, 0x60);
    EXPECT_EQ(Transfer(0x23, 0x1010, 1, 0x12345678).data, 0x08000020u);
    EXPECT_EQ(Transfer(0x23, 0x1010, 1, 0x65766173).command, 0x60);
    ASSERT_EQ(Write(107, {999}), 1);  // changed after the store: forgotten

    options.slaveAddress = 5;
    CDriveSimulator again(options);
    EXPECT_EQ(again.GetRegister(106), 777);
    EXPECT_EQ(again.GetRegister(107), 1000);
    EXPECT_EQ(again.GetRegister(0x129), 1500);
    EXPECT_EQ(again.GetObject(0x1006, 0), 2000u);
    EXPECT_EQ(again.GetRegister(0x9C), 5);  // the address it was started with wins
    std::filesystem::remove_all(dir);
}

TEST_F(SimLink, InjectedFaultsReachTheMaster)
{
    m_sim->InjectFault(SimFault::NoAnswer, 1);
    EXPECT_TRUE(Read(0, 4).empty());
    EXPECT_EQ(errno, ETIMEDOUT);
    EXPECT_EQ(Read(0, 4).size(), 4u);

    m_sim->InjectFault(SimFault::BadCrc, 1);
    EXPECT_TRUE(Read(0, 4).empty());
    EXPECT_EQ(errno, EMBBADCRC);
    modbus_flush(m_ctx);
    EXPECT_EQ(Read(0, 4).size(), 4u);

    m_sim->SetFaultProbability(SimFault::WrongSlave, 1.0);
    EXPECT_TRUE(Read(0, 4).empty());
    m_sim->ClearFaults();
    modbus_flush(m_ctx);
    EXPECT_EQ(Read(0, 4).size(), 4u);

    RawLine line(m_sim->SlavePath());
    const Bytes request = {0x01, 0x03, 0x00, 0x00, 0x00, 0x04};
    const Bytes normal = line.Exchange(request);
    ASSERT_EQ(normal.size(), 13u);

    m_sim->InjectFault(SimFault::TrailingBytes, 1);
    const Bytes trailing = line.Exchange(request);
    ASSERT_EQ(trailing.size(), normal.size() + 2);
    EXPECT_EQ(Bytes(trailing.begin(), trailing.begin() + 13), normal);

    m_sim->InjectFault(SimFault::SplitResponse, 1);
    line.SendWithCrc(request);
    const auto start = std::chrono::steady_clock::now();
    const Bytes first = line.Receive(300, 10);  // only the first piece before the pause
    EXPECT_LT(first.size(), normal.size());
    Bytes all = first;
    while (all.size() < normal.size()) {
        const Bytes more = line.Receive(200, 10);
        if (more.empty()) break;
        all.insert(all.end(), more.begin(), more.end());
    }
    EXPECT_EQ(all, normal);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 95ms);

    m_sim->InjectFault(SimFault::LateAnswer, 1);
    line.SendWithCrc(request);
    EXPECT_TRUE(line.Receive(400).empty());
    EXPECT_EQ(line.Receive(600), normal);
}

TEST_F(SimLink, OnlyItsOwnAddressIsAnsweredAndBroadcastsAreObeyed)
{
    RawLine line(m_sim->SlavePath());
    const auto requests = m_sim->RequestCount();
    EXPECT_TRUE(line.Exchange({0x00, 0x06, 0x00, 0x6A, 0x01, 0x41}, 150).empty());
    EXPECT_EQ(m_sim->GetRegister(106), 0x141);
    EXPECT_TRUE(line.Exchange({0x02, 0x03, 0x00, 0x00, 0x00, 0x01}, 150).empty());
    EXPECT_EQ(m_sim->RequestCount(), requests + 2);

    Bytes damaged = {0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00};
    line.Send(damaged);
    EXPECT_TRUE(line.Receive(150).empty());
    EXPECT_EQ(m_sim->CrcErrorCount(), 1u);
    EXPECT_EQ(Read(0, 1).size(), 1u);  // back in step after the silence
}

TEST_F(SimLink, MasterOnAnotherBaudRateGetsNoAnswer)
{
    for (int baud : {19200, 4800}) {
        modbus_t* other = modbus_new_rtu(m_sim->SlavePath().c_str(), baud, 'N', 8, 2);
        ASSERT_NE(other, nullptr);
        modbus_set_slave(other, 1);
        ASSERT_EQ(modbus_connect(other), 0);
        modbus_set_response_timeout(other, 0, 150000);
        std::uint16_t value = 0;
        EXPECT_EQ(modbus_read_registers(other, 0, 1, &value), -1) << baud;
        modbus_close(other);
        modbus_free(other);
    }
    EXPECT_GT(m_sim->LineErrorCount(), 0u);
    modbus_connect(m_ctx);  // puts the drive's settings back on the line
    EXPECT_EQ(Read(0, 1).size(), 1u);
}

TEST(Simulator, PacingTakesTheLineTimeAndIdleCostsNothing)
{
    SimOptions options;
    options.pacing = true;
    CDriveSimulator sim(options);
    ASSERT_TRUE(sim.Start());
    RawLine line(sim.SlavePath());
    line.SendWithCrc({0x01, 0x03, 0x00, 0x60, 0x00, 0x1C});  // 61-byte answer
    const auto start = std::chrono::steady_clock::now();
    const Bytes answer = line.Receive(500, 40);
    ASSERT_EQ(answer.size(), 61u);
    // 61 characters of 11 bits at 9600 baud: about 70 ms on the wire.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 60ms);

    rusage before{}, after{};
    ::getrusage(RUSAGE_SELF, &before);
    std::this_thread::sleep_for(500ms);
    ::getrusage(RUSAGE_SELF, &after);
    const auto cpuUs = [](const rusage& r) {
        return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1000000L + r.ru_utime.tv_usec + r.ru_stime.tv_usec;
    };
    EXPECT_LT(cpuUs(after) - cpuUs(before), 10000);
}
