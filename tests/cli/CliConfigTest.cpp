// zoric-cli's drive configuration files end to end: backup, diff against the
// drive and between files, restore with its questions, and files that must
// never reach the drive.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "CliHarness.h"
#include "DriveSimulator.h"
#include "EndlessFifo.h"
#include "FieldGroups.h"
#include "ModbusMaster.h"

using namespace std::chrono_literals;
using cli_test::Cli;
using cli_test::RunCli;
using zoric::sim::CDriveSimulator;
using zoric::sim::SimOptions;

namespace {

namespace fs = std::filesystem;

constexpr uint16_t kRatedCurrent = FieldRules::Rule("motor.rated_current").reg;
constexpr uint16_t kAcceleration = FieldRules::Rule("ramp.acceleration").reg;
constexpr uint16_t kOverVoltage = FieldRules::Rule("safety.over_voltage").reg;
constexpr uint16_t kParity = FieldRules::Rule("comm.parity").reg;
constexpr uint16_t kSyncCycle = 0x1006;

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// The text with `key`'s raw value replaced.
std::string WithRaw(std::string text, const std::string& key, const std::string& raw)
{
    const size_t at = text.find("\"" + key + "\":");
    const size_t from = text.find("\"raw\":", at) + 6;
    const size_t to = text.find(",\"shown\"", from);
    if (at == std::string::npos || to == std::string::npos) return "key not found: " + key;
    return text.replace(from, to - from, raw);
}

int LineOf(const std::string& text, const std::string& key)
{
    const size_t at = text.find("\"" + key + "\":");
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(at), '\n'));
}

// Every register of every setting, and the SYNC cycle: what a load would touch.
std::vector<uint32_t> Settings(CDriveSimulator& sim)
{
    std::vector<uint32_t> values;
    for (const FieldRules::Group& group : FieldRules::kGroups) {
        for (const FieldRules::Field& field : group.fields) {
            for (int i = 0; i < field.registers; ++i)
                values.push_back(sim.GetRegister(static_cast<uint16_t>(field.reg + i)));
        }
    }
    values.push_back(sim.GetObject(kSyncCycle, 0).value_or(0xDEAD));
    return values;
}

class CliConfig : public Cli {
protected:
    void SetUp() override
    {
        Cli::SetUp();
        dir = fs::temp_directory_path() / ("zoric-cli-" + std::to_string(getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string File(const std::string& name) const { return (dir / name).string(); }

    // A file from another drive whose settings differ from this one's.
    std::string OtherDrivesFile()
    {
        SimOptions o;
        o.timeScale = 0.02;
        CDriveSimulator other(o);
        EXPECT_TRUE(other.Start());
        other.SetRegister(kRatedCurrent, 1234);
        other.SetRegister(kAcceleration, 777);
        other.SetRegister(kOverVoltage, 500);
        other.SetObject(kSyncCycle, 0, 10000);
        const std::string path = File("other.json");
        const auto r = RunCli({"--port", other.SlavePath(), "backup", path});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return path;
    }

    fs::path dir;
};

TEST_F(CliConfig, BackupDiffsEqualUntilTheDriveChanges)
{
    const std::string file = File("drive.json");
    auto r = Run({"backup", file});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.find("wrote "), 0u) << r.out;
    EXPECT_NE(r.out.find(file), std::string::npos);
    const std::string text = ReadText(file);
    EXPECT_NE(text.find("\"tool\": \"zoric-cli"), std::string::npos);
    EXPECT_EQ(text.find("\"created\": \"\""), std::string::npos) << "the time is filled in";

    r = Run({"diff", file});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "");

    const uint16_t before = sim->GetRegister(kRatedCurrent);
    sim->SetRegister(kRatedCurrent, static_cast<uint16_t>(before + 11));
    sim->SetObject(kSyncCycle, 0, 4000);
    r = Run({"diff", file});
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_EQ(r.out, "motor.rated_current\t" + std::to_string(before + 11) + "\t" + std::to_string(before) +
                         "\nsync.cycle_period\t4000\t0\n")
        << "the drive first, the file second";
}

TEST_F(CliConfig, DiffOfTwoFilesNeedsNoDrive)
{
    const std::string a = File("a.json"), b = File("b.json");
    ASSERT_EQ(Run({"backup", a}).exitCode, 0);
    std::string text = WithRaw(ReadText(a), "pid.speed_kd", "0.25");
    // One side without an object the drive may lack.
    const size_t cycle = text.find("      \"sync.cycle_period\"");
    text.erase(cycle, text.find('\n', cycle) + 1 - cycle);
    WriteText(b, text);

    const auto requests = sim->RequestCount();
    // A port that does not exist: opening it would exit 3.
    auto r = RunCli({"--port", "/dev/zoric-none", "diff", a, b});
    EXPECT_EQ(r.exitCode, 7) << r.err;
    EXPECT_EQ(r.out, "pid.speed_kd\t0.01\t0.25\nsync.cycle_period\t0\t-\n");
    r = RunCli({"--port", "/dev/zoric-none", "diff", a, a});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(sim->RequestCount(), requests);
}

TEST_F(CliConfig, RestoreLoadsAnotherDrivesFileAndStoresOnlyWhenAsked)
{
    const std::string state = File("state");
    SimOptions o;
    o.timeScale = 0.02;
    o.stateFile = state;
    sim.reset();
    Start(o);
    const std::string file = OtherDrivesFile();

    auto r = Run({"restore", file, "--yes"});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("motor.rated_current: 500 (5.00 A) -> 1234 (12.34 A)  [电机参数 / 电机额定电流]\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("  motor: verified\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  sync: verified\n"), std::string::npos);
    EXPECT_NE(r.out.find("  pid: unchanged\n"), std::string::npos);
    EXPECT_NE(r.out.find("until power-off"), std::string::npos) << "the hint to store";
    EXPECT_FALSE(fs::exists(state)) << "stored without --store";
    EXPECT_EQ(sim->GetRegister(kRatedCurrent), 1234);
    EXPECT_EQ(Run({"diff", file}).exitCode, 0);

    r = Run({"restore", file, "--yes"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("nothing to load"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("load:"), std::string::npos) << "nothing loaded when nothing differs";

    sim->SetRegister(kAcceleration, 5);
    r = Run({"restore", file, "--yes", "--store"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("stored"), std::string::npos);
    EXPECT_TRUE(fs::exists(state));
}

TEST_F(CliConfig, RestoreAsksAndWritesNothingUnlessConfirmed)
{
    const std::string file = OtherDrivesFile();
    const auto before = Settings(*sim);

    auto r = Run({"restore", file});
    EXPECT_EQ(r.exitCode, 11) << "not on a terminal, and no --yes";
    EXPECT_NE(r.err.find("--yes"), std::string::npos);
    EXPECT_NE(r.out.find("motor.rated_current"), std::string::npos) << "the changes are listed all the same";
    EXPECT_EQ(Settings(*sim), before);

    for (const char* answer : {"n\n", "\n", "yess\n"}) {
        r = Run({"restore", file}, 0ms, std::string(answer));
        EXPECT_EQ(r.exitCode, 11) << answer;
        EXPECT_NE(r.err.find("Load 4 changes into the drive? [y/N]"), std::string::npos) << r.err;
        EXPECT_EQ(Settings(*sim), before) << answer;
    }
    r = Run({"restore", file}, 0ms, std::string("Y\n"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(sim->GetRegister(kAcceleration), 777);
}

TEST_F(CliConfig, InvalidFilesNeverReachTheDrive)
{
    const std::string good = File("good.json");
    ASSERT_EQ(Run({"backup", good}).exitCode, 0);
    const std::string text = ReadText(good);
    struct Case {
        const char* name;
        std::string text;
        std::string named;  // what the message must name
    };
    const std::string garbled = text.substr(0, 900) + "\x1b]0;title\x07 ~~ " + text.substr(930);
    std::string newer = text;
    newer.replace(newer.find("\"format_version\": 1"), 19, "\"format_version\": 2");
    const std::vector<Case> cases = {
        {"bad-value", WithRaw(text, "motor.rated_current", "-5"),
         "motor.rated_current (line " + std::to_string(LineOf(text, "motor.rated_current")) + ")"},
        {"signed-wraps", WithRaw(text, "foc.phase_offset", "18446744073709551615"), "foc.phase_offset (line "},
        {"list-item", WithRaw(text, "comm.parity", "4"), "comm.parity (line "},
        {"truncated", text.substr(0, text.size() / 2), "(line "},
        {"garbled", garbled, "(line "},
        {"control-key",
         text.substr(0, text.find("  \"created\"")) + "  \"\\u001b]0;title\\u0007\": 1,\n" +
             text.substr(text.find("  \"created\"")),
         "(line 5): unknown key"},
        {"newer", newer, "format_version (line 3)"},
        {"nested",
         "{\"format\":\"zoric-drive-configuration\",\"format_version\":" + std::string(100000, '[') +
             std::string(100000, ']') + "}",
         "nested deeper"},
    };
    const auto before = Settings(*sim);
    const auto requests = sim->RequestCount();
    for (const Case& c : cases) {
        const std::string path = File(std::string(c.name) + ".json");
        WriteText(path, c.text);
        for (const auto& args : {std::vector<std::string>{"restore", path, "--yes", "--include-comm"},
                                 std::vector<std::string>{"diff", path}}) {
            auto r = Run(args);
            EXPECT_EQ(r.exitCode, 10) << c.name << " " << args[0] << ": " << r.err;
            EXPECT_NE(r.err.find(c.named), std::string::npos) << c.name << ": " << r.err;
            EXPECT_EQ(r.err.find('\x1b'), std::string::npos)
                << "no control characters from the file reach the terminal";
        }
    }
    EXPECT_EQ(Run({"diff", good, File("none.json")}).exitCode, 10);
    EXPECT_EQ(sim->RequestCount(), requests);
    EXPECT_EQ(Settings(*sim), before);
}

// A configuration padded to 2 MiB, and one followed by blanks that never
// end: no drive configuration is that long, and reading stops at the limit.
TEST_F(CliConfig, AFileLongerThanAConfigurationIsRefusedAtItsLimit)
{
    const std::string good = File("good.json");
    ASSERT_EQ(Run({"backup", good}).exitCode, 0);
    const std::string text = ReadText(good);
    const std::string big = File("big.json");
    WriteText(big, text + std::string((size_t{2} << 20) - text.size(), ' '));
    const auto requests = sim->RequestCount();
    for (const std::string command : {"restore", "diff"}) {
        const auto run = [&](const std::string& path) {
            return command == "restore" ? Run({command, path, "--yes"}) : Run({command, path});
        };
        auto r = run(big);
        EXPECT_EQ(r.exitCode, 10) << command << ": " << r.err;
        EXPECT_NE(r.err.find("not a drive configuration"), std::string::npos) << r.err;

        CEndlessFifo fifo(text);
        ASSERT_TRUE(fifo.Ok());
        r = run(fifo.Path());
        EXPECT_EQ(r.exitCode, 10) << command << ": " << r.err;
        EXPECT_NE(r.err.find("not a drive configuration"), std::string::npos) << r.err;
        EXPECT_TRUE(fifo.Finish()) << command << " gave up before the writer";
    }
    EXPECT_EQ(sim->RequestCount(), requests);
}

TEST_F(CliConfig, OptionsAreCheckedBeforeTheDrive)
{
    const std::string file = File("drive.json");
    ASSERT_EQ(Run({"backup", file}).exitCode, 0);
    const auto requests = sim->RequestCount();
    for (std::vector<std::string> bad : {std::vector<std::string>{"restore", file, "--groups", "motor,nope"},
                                         {"restore", file, "--groups", "motor,"},
                                         {"restore", file, "--groups"},
                                         {"restore"},
                                         {"diff"},
                                         {"diff", file, file, file},
                                         {"backup"},
                                         {"diff", file, "--yes"},
                                         {"backup", file, "--store"}}) {
        auto r = Run(bad);
        EXPECT_EQ(r.exitCode, 2) << bad.back();
        EXPECT_NE(r.err.find("usage"), std::string::npos);
    }
    EXPECT_NE(Run({"restore", file, "--groups", "motor,nope"}).err.find("nope"), std::string::npos);
    EXPECT_EQ(sim->RequestCount(), requests);
}

TEST_F(CliConfig, GroupsAndKeptSettingsLimitTheLoad)
{
    const std::string file = OtherDrivesFile();
    std::string text = ReadText(file);
    text = WithRaw(text, "motor.phase_sequence", "[2,1030,515]");
    WriteText(file, text);
    auto r = Run({"restore", file, "--yes", "--groups", "ramp,safety"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(sim->GetRegister(kAcceleration), 777);
    EXPECT_EQ(sim->GetRegister(kOverVoltage), 500);
    EXPECT_NE(sim->GetRegister(kRatedCurrent), 1234) << "the motor group was not selected";
    EXPECT_EQ(r.out.find("  motor:"), std::string::npos);

    r = Run({"restore", file, "--yes"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("motor.phase_sequence"), std::string::npos);
    EXPECT_NE(r.out.find("--include-motor-identity would load it"), std::string::npos) << r.out;
    EXPECT_EQ(Run({"diff", file}).out.find("motor.phase_sequence\t"), 0u) << "the motor identity stays";
}

TEST_F(CliConfig, IncludeCommReopensThePortWithTheNewLine)
{
    const std::string file = File("drive.json");
    ASSERT_EQ(Run({"backup", file}).exitCode, 0);
    // The simulated line cannot tell parity apart: a new parity keeps it answering.
    WriteText(file, WithRaw(ReadText(file), "comm.parity", "2"));
    auto r = Run({"restore", file, "--yes"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("--include-comm would load it"), std::string::npos) << r.out;
    EXPECT_EQ(sim->GetRegister(kParity), 0);

    r = Run({"restore", file, "--yes", "--include-comm"});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.err.find("reopening"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("  comm: verified\n"), std::string::npos) << r.out;
    EXPECT_EQ(sim->GetRegister(kParity), 2);
}

TEST_F(CliConfig, ANewAddressAndLineAreFollowedAndStoredThere)
{
    const std::string state = File("state");
    SimOptions o;
    o.timeScale = 0.02;
    o.stateFile = state;
    o.applyLinkSettings = true;  // the drive takes on its new link at once
    sim.reset();
    Start(o);
    const std::string file = File("drive.json");
    ASSERT_EQ(Run({"backup", file}).exitCode, 0);
    std::string text = WithRaw(ReadText(file), "comm.slave_address", "9");
    text = WithRaw(text, "comm.baud_rate", "19200");
    WriteText(file, WithRaw(text, "comm.parity", "1"));

    auto r = Run({"restore", file, "--yes", "--include-comm", "--store"});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("  comm_address: verified\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  comm: verified\n"), std::string::npos) << r.out;
    EXPECT_EQ(sim->CurrentLink().slaveAddress, 9);
    EXPECT_EQ(sim->CurrentLink().baudRate, 19200u);
    EXPECT_TRUE(fs::exists(state)) << "stored at the new address";
    r = Run({"--slave", "9", "--baud", "19200", "--parity", "1", "diff", file});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
}

TEST_F(CliConfig, CtrlCWhileReadingTheDriveLeavesEverythingAsItWas)
{
    const std::string file = OtherDrivesFile();
    SimOptions o;  // answers at the pace of 9600 baud: a whole read takes seconds
    o.pacing = true;
    sim.reset();
    Start(o);
    const auto before = Settings(*sim);
    auto r = Run({"restore", file, "--yes"}, 300ms);
    EXPECT_EQ(r.exitCode, 130) << r.out << r.err;
    EXPECT_EQ(Settings(*sim), before);
    const std::string backup = File("interrupted.json");
    r = Run({"backup", backup}, 300ms);
    EXPECT_EQ(r.exitCode, 130);
    EXPECT_FALSE(fs::exists(backup));
}

TEST_F(CliConfig, ARunningMotorRefusesTheLoad)
{
    const std::string file = OtherDrivesFile();
    {
        CModbusMaster master;
        ASSERT_TRUE(master.OpenPort(sim->SlavePath(), 9600, 0));
        ASSERT_EQ(master.WriteSpeedCommand(1, 250, CModbusMaster::SpeedCommandKind::Frequency), kResultOk);
        RealtimeStatus status{};
        for (int i = 0; i < 100 && status.commutationFrequency == 0; ++i) {
            std::this_thread::sleep_for(10ms);
            ASSERT_EQ(master.ReadRealtimeStatus(1, status), kResultOk);
        }
    }
    const auto before = Settings(*sim);
    auto r = Run({"--lang", "en", "restore", file, "--yes"});  // the words checked are English
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("running"), std::string::npos) << r.err;
    EXPECT_EQ(Settings(*sim), before);
}

// A file changed by key with no drive: only the keys given, all pairs or
// none, and the file as it was after any bad one.
TEST_F(CliConfig, SetChangesExactlyTheKeysGivenOrNothing)
{
    const std::string file = File("drive.json");
    ASSERT_EQ(Run({"backup", file}).exitCode, 0);
    const std::string before = ReadText(file);
    const auto pairs = {"motor.rated_current=3.21", "pid.speed_kp=0.5", "comm.parity=2", "foc.speed_loop=0",
                        "pdo.tpdo1.event_time=250"};
    std::vector<std::string> args = {"set", file};
    args.insert(args.end(), pairs.begin(), pairs.end());
    auto r = RunCli(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 5) << r.out;
    r = RunCli({"diff", File("drive.json"), [&] {
                    WriteText(File("before.json"), before);
                    return File("before.json");
                }()});
    EXPECT_EQ(r.exitCode, 7);
    std::vector<std::string> keys;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) keys.push_back(line.substr(0, line.find('\t')));
    EXPECT_EQ(keys, (std::vector<std::string>{"motor.rated_current", "pid.speed_kp", "foc.speed_loop", "comm.parity",
                                              "pdo.tpdo1.event_time"}));
    EXPECT_NE(r.out.find("motor.rated_current\t321\t"), std::string::npos) << r.out;

    const std::string edited = ReadText(file);
    struct Bad {
        std::vector<std::string> args;
        std::string named;  // what the message names
    };
    for (const Bad& bad :
         {Bad{{"set", file, "motor.rated_current=1", "motor.nonsense=1"}, "motor.nonsense"},
          Bad{{"set", file, "motor.rated_current=1", "motor.rated_current=700"}, "700"},
          Bad{{"set", file, "comm.parity=4"}, "comm.parity"}, Bad{{"set", file, "rated_current"}, "rated_current"},
          Bad{{"set", File("none.json"), "pid.speed_kp=1"}, "none.json"}}) {
        r = RunCli(bad.args);
        EXPECT_EQ(r.exitCode, 10) << bad.named;
        EXPECT_NE(r.err.find(bad.named), std::string::npos) << r.err;
        EXPECT_EQ(ReadText(file), edited) << "untouched after " << bad.named;
    }
    EXPECT_EQ(RunCli({"set", file}).exitCode, 2) << "no pair";
}

// Any command on the drive inside the tool holding a file; the file itself
// stays as it was.
TEST_F(CliConfig, ADriveFileIsHeldByTheSimulatedDriveAndNeverWritten)
{
    const std::string file = OtherDrivesFile();
    const std::string text = ReadText(file);
    auto r = RunCli({"--port", "sim://?name=held", "--drive-file", file, "read", std::to_string(kRatedCurrent)});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, std::to_string(kRatedCurrent) + "\t1234\n");
    r = RunCli({"--port", "sim://?name=held", "--drive-file", file, "diff", file});
    EXPECT_EQ(r.exitCode, 0) << "the drive holds every setting of the file: " << r.out;
    r = RunCli({"--port", "sim://?name=held", "--drive-file", file, "write", std::to_string(kRatedCurrent), "99"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadText(file), text) << "only set writes the file";
    EXPECT_EQ(RunCli({"--drive-file", file, "info"}).exitCode, 2) << "a drive file wants --port sim://";
    WriteText(File("bad.json"), "{");
    EXPECT_EQ(RunCli({"--port", "sim://", "--drive-file", File("bad.json"), "info"}).exitCode, 10);
}

// Three drives on one line: status, backup and restore of a list of them.
class CliSeveralDrives : public CliConfig {
protected:
    void SetUp() override
    {
        CliConfig::SetUp();
        SimOptions o;
        o.otherSlaves = {3, 5};
        line = std::make_unique<CDriveSimulator>(o);
        ASSERT_TRUE(line->Start());
    }
    cli_test::RunResult On(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"--lang", "en", "--port", line->SlavePath()});
        return RunCli(std::move(args));
    }
    std::unique_ptr<CDriveSimulator> line;
};

TEST_F(CliSeveralDrives, StatusBackupAndRestoreGoToEachDriveOfTheList)
{
    auto r = On({"status", "--slaves", "1,3,5"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::istringstream rows(r.out);
    std::vector<std::string> lines;
    for (std::string row; std::getline(rows, row);) lines.push_back(row);
    ASSERT_EQ(lines.size(), 4u) << r.out;
    EXPECT_EQ(lines[0].rfind("slave,output_pwm_pct,", 0), 0u);
    EXPECT_NE(lines[0].find(",speed_rpm,"), std::string::npos);
    EXPECT_EQ(lines[2].rfind("3,", 0), 0u);
    EXPECT_EQ(lines[3].back(), ',') << "no result: the read went well";

    ASSERT_EQ(On({"backup", dir.string(), "--slaves", "1,3,5"}).exitCode, 0);
    for (const char* name : {"slave-001-0x2408.json", "slave-003-0x2408.json", "slave-005-0x2408.json"})
        EXPECT_TRUE(fs::exists(dir / name)) << name;

    // A file of changed settings into 3 and 5; 1 keeps its own.
    line->SetRegisterOf(1, kRatedCurrent, 1111);
    const std::string file = File("one.json");
    ASSERT_EQ(On({"--slave", "1", "backup", file}).exitCode, 0);
    line->SetRegisterOf(1, kRatedCurrent, 2222);
    r = On({"restore", file, "--slaves", "3,5", "--yes"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("slave 3: verified"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("slave 5: verified"), std::string::npos) << r.out;
    EXPECT_EQ(line->GetRegisterOf(3, kRatedCurrent), 1111);
    EXPECT_EQ(line->GetRegisterOf(5, kRatedCurrent), 1111);
    EXPECT_EQ(line->GetRegisterOf(1, kRatedCurrent), 2222) << "drive 1 is not in the list";
    for (const char* slave : {"3", "5"}) {
        r = On({"--slave", slave, "diff", file});
        EXPECT_EQ(r.out, "comm.slave_address\t" + std::string(slave) + "\t1\n") << "the address alone is the drive's";
    }
}

TEST_F(CliSeveralDrives, ASilentOrFailingDriveIsNamedAndTheOthersGoOn)
{
    line->InjectFault(zoric::sim::SimFault::NoAnswer, 1000, 3);
    auto r = On({"status", "--slaves", "1-5"});
    EXPECT_EQ(r.exitCode, 12) << "addresses 2, 3 and 4 do not answer";
    EXPECT_NE(r.out.find("\n3,,"), std::string::npos) << r.out;
    r = On({"backup", dir.string(), "--slaves", "1,3,5"});
    EXPECT_EQ(r.exitCode, 12);
    EXPECT_NE(r.err.find("failed: 3"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::exists(dir / "slave-005-0x2408.json")) << "drive 5 after the silent one";

    const std::string file = File("one.json");
    ASSERT_EQ(On({"--slave", "1", "backup", file}).exitCode, 0);
    line->SetRegisterOf(5, kRatedCurrent, 999);
    r = On({"restore", file, "--slaves", "3,5", "--yes"});
    EXPECT_EQ(r.exitCode, 12) << r.err;
    EXPECT_NE(r.out.find("slave 3: failed"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("slave 5: verified"), std::string::npos) << r.out;
    line->SetRegisterOf(5, kRatedCurrent, 998);
    EXPECT_EQ(On({"restore", file, "--slaves", "3,5"}).exitCode, 11) << "not confirmed comes before some failed";

    EXPECT_EQ(On({"--slave", "3", "status", "--slaves", "1,3"}).exitCode, 2);
    EXPECT_EQ(On({"restore", file, "--slaves", "3,5", "--include-comm", "--yes"}).exitCode, 2);
    EXPECT_EQ(On({"status", "--slaves", "0,3"}).exitCode, 2);
}

TEST_F(CliSeveralDrives, ADriveAnsweringWithAnExceptionIsNamedAndTheOthersAreLoaded)
{
    // The simulator's fault through a sim:// name: drive 5 fails inside.
    const std::string port = "sim://?slaves=1,3,5&fault=exception@5=1&name=exception-5";
    const std::string file = File("one.json");
    auto r = RunCli({"--lang", "en", "--port", port, "--slave", "1", "backup", file});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(RunCli({"set", file, "motor.rated_current=2.37"}).exitCode, 0);
    r = RunCli({"--lang", "en", "--port", port, "restore", file, "--slaves", "1,3,5", "--yes"});
    EXPECT_EQ(r.exitCode, 12) << r.err;
    EXPECT_NE(r.out.find("slave 1: verified"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("slave 3: verified"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("slave 5: failed reading status: Slave device failure"), std::string::npos) << r.out;
}

}  // namespace
