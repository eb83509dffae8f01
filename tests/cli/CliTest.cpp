// zoric-cli end to end: the real program against the simulated drive on a
// pseudo-terminal, its texts, its exit codes, and its procedures.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "CliHarness.h"
#include "DriveSimulator.h"
#include "Language.h"
#include "ModbusMaster.h"
#include "StatusChannels.h"
#include "StatusFormat.h"

using namespace std::chrono_literals;
using cli_test::Cli;
using cli_test::RunCli;
using zoric::sim::CDriveSimulator;
using zoric::sim::SimFault;
using zoric::sim::SimOptions;

namespace {

std::string Line(const std::string& text, const std::string& label)
{
    size_t p = text.find(label);
    if (p == std::string::npos) return "<missing " + label + ">";
    size_t e = text.find('\n', p);
    return text.substr(p + label.size(), e - p - label.size());
}

TEST_F(Cli, StatusPrintsTheStatusPanelTexts)
{
    SetLanguage(Language::Chinese);  // the texts compared, as Run() chooses for the program
    auto r = Run({"status"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    RealtimeStatus s{};
    uint16_t regs[RealtimeStatus::kCount];
    for (int i = 0; i < RealtimeStatus::kCount; ++i) regs[i] = sim->GetRegister(static_cast<uint16_t>(32 + i));
    std::memcpy(&s, regs, sizeof regs);
    CModbusMaster::SwapWords32(reinterpret_cast<uint8_t*>(&s) + 8, 8);
    CModbusMaster::SwapWords32(reinterpret_cast<uint8_t*>(&s) + 32, 4);
    using StatusChannels::Channel;
    EXPECT_EQ(Line(r.out, "电机转速: "), StatusChannels::ShownText(Channel::Speed, s));
    EXPECT_EQ(Line(r.out, "错误状态: "), StatusChannels::ShownText(Channel::ErrorState, s));
    EXPECT_EQ(Line(r.out, "内部温度: "), StatusChannels::ShownText(Channel::Temperature, s));
    EXPECT_EQ(Line(r.out, "输入电压: "), StatusChannels::ShownText(Channel::Supply, s));
    EXPECT_EQ(Line(r.out, "转动位置: "), StatusChannels::ShownText(Channel::Position, s));
}

TEST_F(Cli, ReadAndWriteEveryValueType)
{
    auto w = Run({"write", "80", "-2", "--type", "s32"});
    ASSERT_EQ(w.exitCode, 0) << w.err;
    EXPECT_EQ(sim->GetRegister(80), 0xFFFF);
    EXPECT_EQ(sim->GetRegister(81), 0xFFFE);
    auto r = Run({"read", "0x50", "2"});
    EXPECT_EQ(r.out, "80\t65535\n81\t65534\n");
    r = Run({"read", "80", "2", "--type", "s16"});
    EXPECT_EQ(r.out, "80\t-1\n81\t-2\n");
    r = Run({"read", "80", "--type", "u32"});
    EXPECT_EQ(r.out, "80\t4294967294\n");

    ASSERT_EQ(Run({"write", "82", "1.5", "--type", "float"}).exitCode, 0);
    EXPECT_EQ(sim->GetRegister(82), 0x3FC0);
    EXPECT_EQ(Run({"read", "82", "--type", "float"}).out, "82\t1.5\n");

    ASSERT_EQ(Run({"write", "83", "0x1234"}).exitCode, 0) << "one register goes with function 6";
    EXPECT_EQ(sim->GetRegister(83), 0x1234);
}

TEST_F(Cli, BadArgumentsGiveUsageWithoutTouchingTheLine)
{
    auto before = sim->RequestCount();
    for (std::vector<std::string> bad : {std::vector<std::string>{"read"},
                                         {"read", "70000"},
                                         {"read", "0", "126"},
                                         {"read", "0", "63", "--type", "float"},
                                         {"write", "80", "65536"},
                                         {"write", "80", "x1"},
                                         {"write", "80", "-32769", "--type", "s16"},
                                         {"sdo", "read", "0x1018"},
                                         {"sdo", "write", "0x2000", "0", "2", "70000"},
                                         {"sdo", "write", "0x2000", "0", "5", "1"},
                                         {"bogus"},
                                         {"info", "extra"},
                                         {"status", "--type", "double"},
                                         {"read", "0", "--watch"}}) {
        auto r = Run(bad);
        EXPECT_EQ(r.exitCode, 2) << bad[0] << " " << (bad.size() > 1 ? bad[1] : "");
        EXPECT_NE(r.err.find("usage"), std::string::npos);
    }
    std::vector<std::string> tooMany = {"write", "0"};
    for (int i = 0; i < 32; ++i) tooMany.push_back("1");
    EXPECT_EQ(Run(tooMany).exitCode, 2);
    EXPECT_EQ(sim->RequestCount(), before);
    EXPECT_EQ(RunCli({"--help"}).exitCode, 0);
    EXPECT_NE(RunCli({"sdo", "--help"}).out.find("sdo write"), std::string::npos);
}

TEST_F(Cli, NoPortAndDriveErrorsHaveTheirOwnExitCodes)
{
    auto r = RunCli({"--lang", "zh", "--port", "/dev/zoric-none", "status"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("打开串口失败"), std::string::npos);

    r = Run({"read", "0x1234"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "非法寄存器地址\n");

    r = Run({"--slave", "9", "info"});  // nobody answers at 9
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.err, "通讯超时\n");
}

TEST_F(Cli, InjectedFaultsGiveTheirResults)
{
    struct Case {
        SimFault fault;
        int exitCode;
        const char* text;
    };
    for (const Case& c : {Case{SimFault::NoAnswer, 4, "通讯超时\n"}, Case{SimFault::BadCrc, 4, "通讯超时\n"},
                          Case{SimFault::WrongSlave, 4, "通讯超时\n"}, Case{SimFault::TrailingBytes, 4, "通讯超时\n"},
                          Case{SimFault::LateAnswer, 4, "通讯超时\n"}, Case{SimFault::SplitResponse, 0, ""},
                          Case{SimFault::Exception, 1, "操作失败\n"}}) {
        sim->InjectFault(c.fault, 1);
        auto r = Run({"read", "0"});
        EXPECT_EQ(r.exitCode, c.exitCode) << static_cast<int>(c.fault);
        EXPECT_EQ(r.err, c.text) << static_cast<int>(c.fault);
        sim->ClearFaults();
        std::this_thread::sleep_for(400ms);  // let a late answer drain before the next case
    }
}

TEST_F(Cli, SdoReadWriteAbortsAndStore)
{
    auto r = Run({"sdo", "read", "0x1018", "0"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 4), "0x04") << "one byte shows two hex digits: " << r.out;

    auto objectBefore = sim->GetObject(0x1017, 0);
    ASSERT_TRUE(objectBefore.has_value());
    r = Run({"sdo", "write", "0x1017", "0", "2", "1500"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(sim->GetObject(0x1017, 0), 1500u);
    EXPECT_EQ(Run({"sdo", "read", "0x1017", "0"}).out, "0x05DC\t1500\t2 bytes\n");

    r = Run({"sdo", "read", "0x1018", "9"});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_EQ(r.err, "子索引不存在 (0x06090011)\n");
    r = Run({"sdo", "write", "0x1000", "0", "4", "1"});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_EQ(r.err, "试图写只读对象 (0x06010002)\n");

    EXPECT_EQ(Run({"store"}).exitCode, 0);
}

TEST_F(Cli, LearningRunsToItsEndAndPrintsThePhaseData)
{
    sim->SetRegister(117, 0);
    auto r = Run({"learn"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("学习成功"), std::string::npos);
    std::string phase = Line(r.out, "电机相序数据: ");
    char expected[32];
    std::snprintf(expected, sizeof expected, "%02X %02X %02X %02X %02X %02X", sim->GetRegister(229) & 0xFF,
                  sim->GetRegister(230) & 0xFF, sim->GetRegister(231) & 0xFF, sim->GetRegister(232) & 0xFF,
                  sim->GetRegister(233) & 0xFF, sim->GetRegister(234) & 0xFF);
    EXPECT_EQ(phase, expected);
    EXPECT_EQ(sim->GetRegister(225), 0) << "the stop write follows the end";
}

TEST_F(Cli, CalibrationShowsItsStepsAndTheAngles)
{
    auto r = Run({"calibrate"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Step("), std::string::npos);
    EXPECT_NE(r.out.find("学习完成"), std::string::npos);
    EXPECT_EQ(Line(r.out, "相位偏移: "), std::to_string(static_cast<int16_t>(sim->GetRegister(229))));
    EXPECT_EQ(Line(r.out, "相位超前: "), std::to_string(static_cast<int16_t>(sim->GetRegister(230))));
}

TEST_F(Cli, FailedLearningExitsWithItsText)
{
    SimOptions o;
    o.timeScale = 0.02;
    o.learningFails = true;
    sim.reset();
    Start(o);
    auto r = Run({"learn"});
    EXPECT_EQ(r.exitCode, 6);
    EXPECT_EQ(r.err, "学习失败\n");
}

TEST_F(Cli, CtrlCStopsTheProcedureInTheDrive)
{
    SimOptions o;  // real time: the calibration takes about 20 s
    sim.reset();
    Start(o);
    auto r = Run({"calibrate"}, 700ms);
    EXPECT_EQ(r.exitCode, 130);
    EXPECT_EQ(sim->GetRegister(224), 0);
    EXPECT_EQ(sim->GetRegister(225), 0);
}

// --lang, else the locale of the environment (LC_ALL, LC_MESSAGES, LANG),
// chooses the language of every message; what scripts read does not change.
TEST_F(Cli, MessagesFollowLangAndTheLocale)
{
    auto r = Run({"--lang", "en", "status"});  // the last --lang counts
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("\nMotor speed: "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nError state: None\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("电机转速"), std::string::npos);
    EXPECT_EQ(Run({"--lang", "en", "read", "0x1234"}).err, "Illegal data address\n");
    EXPECT_EQ(Run({"--lang", "en", "sdo", "read", "0x1018", "9"}).err, "Sub-index does not exist (0x06090011)\n");
    EXPECT_EQ(Run({"--lang", "en", "read", "0x50", "2"}).out, Run({"read", "0x50", "2"}).out);

    const std::vector<std::string> illegal = {"--port", sim->SlavePath(), "read", "0x1234"};
    struct Case {
        cli_test::EnvChanges env;
        const char* err;
    };
    const std::optional<std::string> none;
    const Case cases[] = {
        {{{"LC_ALL", none}, {"LC_MESSAGES", none}, {"LANG", "en_US.UTF-8"}}, "Illegal data address\n"},
        {{{"LC_ALL", none}, {"LC_MESSAGES", none}, {"LANG", "zh_CN.UTF-8"}}, "非法寄存器地址\n"},
        {{{"LC_ALL", none}, {"LC_MESSAGES", none}, {"LANG", "C.UTF-8"}}, "Illegal data address\n"},
        {{{"LC_ALL", none}, {"LC_MESSAGES", "zh_CN.UTF-8"}, {"LANG", "en_US.UTF-8"}}, "非法寄存器地址\n"},
        {{{"LC_ALL", "en_US.UTF-8"}, {"LC_MESSAGES", none}, {"LANG", "zh_CN.UTF-8"}}, "Illegal data address\n"},
    };
    for (const Case& c : cases) {
        r = RunCli(illegal, 0ms, std::nullopt, c.env);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, c.err) << c.env.back().second.value_or("-");
    }
    std::vector<std::string> withLang = illegal;
    withLang.insert(withLang.begin(), {"--lang", "en"});
    EXPECT_EQ(RunCli(withLang, 0ms, std::nullopt, {{"LC_ALL", "zh_CN.UTF-8"}}).err, "Illegal data address\n")
        << "--lang goes before the locale";

    const uint64_t before = sim->RequestCount();
    r = Run({"--lang", "fr", "info"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("--lang takes zh or en: fr"), std::string::npos) << r.err;
    EXPECT_EQ(Run({"info", "--lang"}).exitCode, 2);
    EXPECT_EQ(sim->RequestCount(), before);
    EXPECT_NE(RunCli({"--help"}).out.find("[--lang zh|en]"), std::string::npos);
}

TEST_F(Cli, StatusWatchRepeatsUntilInterrupted)
{
    auto r = Run({"status", "--watch"}, 450ms);
    EXPECT_EQ(r.exitCode, 0);
    size_t blocks = 0;
    for (size_t p = 0; (p = r.out.find("电机转速: ", p)) != std::string::npos; ++p) ++blocks;
    EXPECT_GE(blocks, 3u) << "about one block every 100 ms";
}

}  // namespace
