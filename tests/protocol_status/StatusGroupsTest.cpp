// Device information, live status and position clear on the wire.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "LinkFixture.h"

namespace {

class StatusGroupsTest : public LinkFixture {};

std::vector<uint8_t> ReadAnswer(uint8_t registers, const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> frame(3 + data.size());
    frame[0] = 0x01;
    frame[1] = 0x03;
    frame[2] = static_cast<uint8_t>(2 * registers);
    std::copy(data.begin(), data.end(), frame.begin() + 3);
    return frame;
}

TEST_F(StatusGroupsTest, LiveStatusWordsAndPairsArriveInHostOrder)
{
    std::vector<uint8_t> data(54, 0);
    auto put = [&](int address, uint16_t value) {
        data[static_cast<size_t>(2 * (address - 32))] = static_cast<uint8_t>(value >> 8);
        data[static_cast<size_t>(2 * (address - 32) + 1)] = static_cast<uint8_t>(value & 0xFF);
    };
    put(32, 0xFC18);  // -1000
    put(34, 1234);
    put(36, 0xFFFF);
    put(37, 0xFFFE);  // position -2
    put(38, 0x0001);
    put(39, 0x86A0);  // 100000 ms
    put(40, 1652);
    put(48, 0x0001);
    put(49, 0x0000);  // 65536 pulses
    put(51, 13);
    put(52, 0xFFFF);
    put(55, 0xFFCC);  // -52
    put(58, 150);
    AnswerAlways(ReadAnswer(27, data));

    RealtimeStatus status{};
    ASSERT_EQ(master.ReadRealtimeStatus(1, status), kResultOk);
    EXPECT_EQ(LastRequest(), WithCrc({0x01, 0x03, 0x00, 0x20, 0x00, 0x1B}));
    EXPECT_EQ(status.outputPwm, -1000);
    EXPECT_EQ(status.commutationFrequency, 1234);
    EXPECT_EQ(status.position, -2);
    EXPECT_EQ(status.completionTime, 100000u);
    EXPECT_EQ(status.in1Voltage, 1652);
    EXPECT_EQ(status.inputPulses, 65536);
    EXPECT_EQ(status.errorState, 13);
    EXPECT_EQ(status.motorSpeed, 0xFFFF);
    EXPECT_EQ(status.temperature, -52);
    EXPECT_EQ(status.supplyCurrent, 150);
}

TEST_F(StatusGroupsTest, DeviceInformationKeepsTheModelTextInWireOrder)
{
    const char model[] = "ZORIC-FOC\xC7\xFD\xB6\xAF\xC6\xF7";  // 15 bytes and a NUL
    std::vector<uint8_t> data(32, 0);
    const uint8_t head[] = {0x00, 0x1A, 0x02, 0x03};
    const uint8_t tail[] = {0x03, 0xE8, 0x3E, 0x80, 0x05, 0xDC, 0x00, 0x0A, 0x00, 0x01, 0x12, 0x34};
    std::memcpy(data.data(), head, sizeof head);
    std::memcpy(data.data() + 4, model, 16);
    std::memcpy(data.data() + 20, tail, sizeof tail);
    AnswerAlways(ReadAnswer(16, data));

    DeviceInfo info{};
    ASSERT_EQ(master.ReadDeviceInfo(1, info), kResultOk);
    EXPECT_EQ(LastRequest(), WithCrc({0x01, 0x03, 0x00, 0x00, 0x00, 0x10}));
    EXPECT_EQ(info.identifier, 0x1A);
    EXPECT_EQ(info.version, 0x0203);
    EXPECT_EQ(std::memcmp(info.model, model, 16), 0);
    EXPECT_EQ(info.pwmResolution, 1000);
    EXPECT_EQ(info.pwmFrequency, 16000);
    EXPECT_EQ(info.maxCurrent, 1500);
    EXPECT_EQ(info.currentResolution, 10);
    EXPECT_EQ(info.speedRangeCapability, 1);
    EXPECT_EQ(info.reserved15, 0x1234);
}

TEST_F(StatusGroupsTest, PositionClearWritesOneToItsRegister)
{
    AnswerAlways({0x01, 0x06, 0x70, 0x0A, 0x00, 0x01});
    EXPECT_EQ(master.WritePositionClear(1), kResultOk);
    EXPECT_EQ(LastRequest(), WithCrc({0x01, 0x06, 0x70, 0x0A, 0x00, 0x01}));
}

}  // namespace
