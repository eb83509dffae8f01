// The texts of the live status, device information and frame lines, as the
// main window and zoric-cli show them.
#include <gtest/gtest.h>

#include <cstring>

#include "Language.h"
#include "StatusChannels.h"
#include "StatusFormat.h"

using namespace StatusFormat;
using StatusChannels::Channel;
using StatusChannels::ShownText;

namespace {

RealtimeStatus Status()
{
    RealtimeStatus s{};
    s.supplyVoltage = 240;
    return s;
}

TEST(StatusFormat, MotorSpeed)
{
    RealtimeStatus s = Status();
    s.motorSpeed = 0xFFFF;
    EXPECT_EQ(ShownText(Channel::Speed, s), "-");
    s.speedDisplayX10 = 1;
    EXPECT_EQ(ShownText(Channel::Speed, s), "-");  // no value, whatever the unit
    s.motorSpeed = 1500;
    EXPECT_EQ(ShownText(Channel::Speed, s), "15000RPM");
    s.motorSpeed = 65534;
    EXPECT_EQ(ShownText(Channel::Speed, s), "655340RPM");
    s.speedDisplayX10 = 0;
    EXPECT_EQ(ShownText(Channel::Speed, s), "65534RPM");
    s.motorSpeed = 0;
    EXPECT_EQ(ShownText(Channel::Speed, s), "0RPM");
}

TEST(StatusFormat, CommutationFrequencyUnits)
{
    RealtimeStatus s = Status();
    s.commutationFrequency = 1234;
    EXPECT_EQ(ShownText(Channel::Frequency, s), "123.4Hz");
    s.speedDisplayX10 = 1;
    EXPECT_EQ(ShownText(Channel::Frequency, s), "1234Hz");
    s.speedDisplayX10 = 0;
    s.speedRangeX10 = 1;
    EXPECT_EQ(ShownText(Channel::Frequency, s), "1234Hz");
    s.speedRangeX10 = 0;
    s.commutationFrequency = -50;
    EXPECT_EQ(ShownText(Channel::Frequency, s), "-5.0Hz");
    s.commutationFrequency = -32768;
    EXPECT_EQ(ShownText(Channel::Frequency, s), "-3276.8Hz");
}

TEST(StatusFormat, SignedAnd32BitValues)
{
    RealtimeStatus s = Status();
    s.position = static_cast<int32_t>(0xFFFFFFFEu);  // words 0xFFFF, 0xFFFE
    s.inputPulses = -2147483647 - 1;
    s.outputPwm = -1000;
    s.in1Voltage = 1652;
    s.in2Voltage = -1;
    s.differentialVoltage = -32768;
    s.inputFrequency = -7;
    s.inputPwm = 999;
    s.phaseCurrent = 65535;
    EXPECT_EQ(ShownText(Channel::Position, s), "-2");
    EXPECT_EQ(ShownText(Channel::InputPulses, s), "-2147483648");
    EXPECT_EQ(ShownText(Channel::OutputPwm, s), "-100.0%");
    EXPECT_EQ(ShownText(Channel::In1, s), "1.652V");
    EXPECT_EQ(ShownText(Channel::In2, s), "-0.001V");
    EXPECT_EQ(ShownText(Channel::In3, s), "0.000V");
    EXPECT_EQ(ShownText(Channel::Differential, s), "-32.768V");
    EXPECT_EQ(ShownText(Channel::InputFrequency, s), "-7Hz");
    EXPECT_EQ(ShownText(Channel::InputPwm, s), "99.9%");
    EXPECT_EQ(ShownText(Channel::PhaseCurrent, s), "655.35A");
}

TEST(StatusFormat, CompletionTime)
{
    RealtimeStatus s = Status();
    s.completionTime = 0x000186A0;  // words 0x0001, 0x86A0
    EXPECT_EQ(ShownText(Channel::CompletionTime, s), "100.0s");
    s.completionTime = 0xFFFFFFFFu;
    EXPECT_EQ(ShownText(Channel::CompletionTime, s), "4294967.3s");
    s.completionFlag = 1;
    EXPECT_EQ(ShownText(Channel::CompletionTime, s), "0.0s Done");
    s.completionTime = 0;
    s.completionFlag = 0x8000;
    EXPECT_EQ(ShownText(Channel::CompletionTime, s), "0.0s Done");
}

TEST(StatusFormat, LevelsErrorsTemperatureAndSupply)
{
    SetLanguage(Language::Chinese);
    RealtimeStatus s = Status();
    s.sq1Level = 0;
    s.sq2Level = 0x0100;
    EXPECT_EQ(ShownText(Channel::Sq1, s), "低");
    EXPECT_EQ(ShownText(Channel::Sq2, s), "高");

    EXPECT_STREQ(ErrorStateText(0), "无");
    EXPECT_STREQ(ErrorStateText(1), "未学习");
    EXPECT_STREQ(ErrorStateText(10), "短路/过流关断");
    EXPECT_STREQ(ErrorStateText(12), "FOC超速");
    EXPECT_STREQ(ErrorStateText(13), "未知错误");
    EXPECT_STREQ(ErrorStateText(0xFFFF), "未知错误");
    s.errorState = 7;
    EXPECT_EQ(ShownText(Channel::ErrorState, s), "过热关断");

    s.temperature = 0;
    EXPECT_EQ(ShownText(Channel::Temperature, s), "0");
    s.temperature = -52;
    EXPECT_EQ(ShownText(Channel::Temperature, s), "-5.2℃");
    s.temperature = 355;
    EXPECT_EQ(ShownText(Channel::Temperature, s), "35.5℃");

    s.supplyVoltage = 240;
    s.supplyCurrent = 0;
    EXPECT_EQ(ShownText(Channel::Supply, s), "24.0V");
    s.supplyCurrent = 150;
    EXPECT_EQ(ShownText(Channel::Supply, s), "24.0V (1.50A)");
    s.supplyVoltage = 0;
    EXPECT_EQ(ShownText(Channel::Supply, s), "-");
}

TEST(StatusFormat, FrameText)
{
    EXPECT_EQ(FrameText({}), "");
    EXPECT_EQ(FrameText({0x01, 0x03, 0x00, 0x20, 0xAB}), "01 03 00 20 AB ");
    EXPECT_EQ(FrameText(std::vector<uint8_t>(256, 0xFF)).size(), 768u);
}

DeviceInfo Info()
{
    DeviceInfo info{};
    std::memcpy(info.model, "ZORIC", 5);
    return info;
}

TEST(StatusFormat, DeviceInformation)
{
    DeviceInfo info = Info();
    info.identifier = 0x1A;
    info.version = 0x0203;
    info.pwmResolution = 1000;
    info.pwmFrequency = 16000;
    info.maxCurrent = 1500;
    info.currentResolution = 10;
    DeviceInfoTexts t = FormatDeviceInfo(info);
    EXPECT_EQ(t.identifier, "0x001A");
    EXPECT_EQ(t.version, "2.03");
    EXPECT_EQ(t.model, "ZORIC");
    EXPECT_EQ(t.pwmResolution, "1/1000");
    EXPECT_EQ(t.pwmFrequency, "16.0kHz");
    EXPECT_EQ(t.maxCurrent, "15.0A");
    EXPECT_EQ(t.currentResolution, "10mA");

    info.version = 0x0A0F;
    info.identifier = 0xFFFF;
    info.pwmFrequency = 65535;
    t = FormatDeviceInfo(info);
    EXPECT_EQ(t.version, "10.15");
    EXPECT_EQ(t.identifier, "0xFFFF");
    EXPECT_EQ(t.pwmFrequency, "65.5kHz");
}

TEST(StatusFormat, ModelTextIsCutAndDecoded)
{
    DeviceInfo info = Info();
    std::memcpy(info.model, "ABCDEFGHIJKLMNOP", 16);  // all 16 used: 15 shown
    EXPECT_EQ(ModelText(info), "ABCDEFGHIJKLMNO");
    std::memcpy(info.model, "AB\0DEFGHIJKLMNOP", 16);
    EXPECT_EQ(ModelText(info), "AB");
    std::memset(info.model, 0, sizeof info.model);
    EXPECT_EQ(ModelText(info), "");
    const char gbk[] = "ZORIC-FOC\xC7\xFD\xB6\xAF\xC6\xF7";  // "驱动器"
    std::memcpy(info.model, gbk, sizeof gbk);
    EXPECT_EQ(ModelText(info), "ZORIC-FOC驱动器");
}

}  // namespace
