#include "CliCommands.h"
#include "CliTrace.h"

#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <ostream>
#include <thread>

#include "CliArguments.h"
#include "CliRecord.h"
#include "CliListen.h"
#include "CliScan.h"
#include "CliShared.h"
#include "CliPort.h"
#include "ConfigItems.h"
#include "Language.h"
#include "ModbusMaster.h"
#include "ParameterStore.h"
#include "ProcedureRunner.h"
#include "StatusChannels.h"
#include "StatusFormat.h"
#include "TextNumber.h"

namespace Cli {
namespace {

using TextNumber::Format;

const char* const kUsage =
    "usage: zoric-cli [--port COMn|DEVICE|tcp://HOST[:PORT]|rtu+tcp://HOST:PORT] [--baud N] [--parity 0-3]\n"
    "                 [--slave N] [--trace] [--lang zh|en] COMMAND ...\n"
    "       zoric-cli --help | --version\n"
    "\n"
    "commands:\n"
    "  read ADDR [COUNT] [--type T]     read COUNT values (default 1) from register ADDR\n"
    "  write ADDR VALUE... [--type T]   write values from register ADDR\n"
    "  info                             the device-information texts\n"
    "  ident                            the device identification text\n"
    "  status [--watch]                 the live status, once or every 100 ms\n"
    "  record FILE [OPTIONS]            the live status into a CSV file until Ctrl-C\n"
    "  sdo read INDEX SUB               upload one object through the SDO tunnel\n"
    "  sdo write INDEX SUB SIZE VALUE   download SIZE (1-4) bytes\n"
    "  store                            make the drive store its parameters (0x1010:1)\n"
    "  learn                            run motor learning and follow it\n"
    "  calibrate                        run the FOC phase calibration and follow it\n"
    "  backup FILE                      save the drive's configuration to FILE\n"
    "  restore FILE [OPTIONS]           load FILE into the drive, each group read back\n"
    "  diff FILE [FILE2]                the drive against FILE, or FILE against FILE2\n"
    "  scan [OPTIONS]                   look for drives on the line\n"
    "  listen [--duration S]            print the frames of other masters, sending nothing\n"
    "\n"
    "T is u16 (default), s16, u32, s32 or float; 32-bit values take two registers,\n"
    "high word first. Numbers are decimal or 0x hexadecimal. --port defaults to COM1,\n"
    "--baud to 9600, --parity to 0 (none, 2 stop bits), --slave to 1. --trace prints\n"
    "every frame sent and received, and the counts per slave, on the error stream.\n"
    "--lang chooses the language of the messages, zh (Chinese) or en (English);\n"
    "by default the locale's (LC_ALL, LC_MESSAGES, then LANG: zh... is Chinese,\n"
    "anything else English). Trace and scan lines, CSV headers, configuration\n"
    "file keys and exit codes are the same in both.\n"
    "Run 'zoric-cli COMMAND --help' for one command.\n"
    "\n"
    "exit codes: 0 done; 1 drive error or refusal; 2 bad arguments; 3 no port;\n"
    "4 time-out; 5 SDO abort; 6 procedure failed; 7 the configurations differ;\n"
    "8 the scan found no drive; 9 the port was lost (its device went away);\n"
    "10 configuration file invalid, unreadable or unwritable; 11 load not confirmed;\n"
    "130 interrupted.\n";

struct CommandHelp {
    const char* name;
    const char* text;
};

const CommandHelp kHelp[] = {
    {"read", "usage: zoric-cli read ADDR [COUNT] [--type u16|s16|u32|s32|float]\n"
             "Reads COUNT values from holding register ADDR and prints one line each:\n"
             "the register address and the value.\n"},
    {"write", "usage: zoric-cli write ADDR VALUE... [--type u16|s16|u32|s32|float]\n"
              "Writes the values from register ADDR: one 16-bit value with function 6,\n"
              "more (or 32-bit values) with function 16, at most 31 registers.\n"},
    {"info", "usage: zoric-cli info\nReads registers 0 to 15 and prints the device-information texts.\n"},
    {"ident", "usage: zoric-cli ident\nReads the device identification objects and prints them.\n"},
    {"status", "usage: zoric-cli status [--watch]\n"
               "Reads registers 32 to 58 and prints the live-status texts; with --watch\n"
               "every 100 ms until Ctrl-C.\n"},
    {"sdo", "usage: zoric-cli sdo read INDEX SUB\n       zoric-cli sdo write INDEX SUB SIZE VALUE\n"
            "One expedited SDO transfer through the register tunnel. An abort prints\n"
            "its text and exits 5.\n"},
    {"store", "usage: zoric-cli store\nWrites the \"save\" signature to object 0x1010 sub-index 1.\n"},
    {"learn", "usage: zoric-cli learn\n"
              "Starts motor learning, polls it every 250 ms and prints the outcome and\n"
              "the phase-sequence data. Ctrl-C stops the procedure in the drive.\n"},
    {"calibrate", "usage: zoric-cli calibrate\n"
                  "Starts the FOC phase calibration (the motor turns both ways for about\n"
                  "20 s: it must run without load), prints its steps and the phase offset\n"
                  "and advance. Ctrl-C stops the procedure in the drive.\n"},
    {"backup", "usage: zoric-cli backup FILE\n"
               "Reads every setting of the drive (the register groups, the PDOs and SYNC)\n"
               "and writes them to FILE as a drive configuration: JSON, one setting a line,\n"
               "each with its raw value and its value as the page shows it.\n"},
    {"restore", "usage: zoric-cli restore FILE [--include-comm] [--include-motor-identity]\n"
                "                        [--groups LIST] [--store] [--yes]\n"
                "Checks the whole file first (an invalid one exits 10 with the drive untouched),\n"
                "reads the drive, lists what would change and asks before loading: --yes\n"
                "loads without asking, and without a terminal --yes is needed (else exit 11).\n"
                "Each group is written, read back and compared; the motor group goes first.\n"
                "Kept unless asked for: the motor's identity (phase sequence, learning state,\n"
                "FOC phase angles: --include-motor-identity) and the link (RS-485 address and\n"
                "line, CAN node and rate: --include-comm, which reopens the port with the new\n"
                "RS-485 settings). --groups loads only the listed groups, comma-separated.\n"
                "--store makes the drive keep the values over power-off. Ctrl-C stops between\n"
                "groups (exit 130). A running motor is refused (exit 1).\n"},
    {"diff", "usage: zoric-cli diff FILE\n       zoric-cli diff FILE1 FILE2\n"
             "Compares the drive with FILE, or two files without opening the port. One\n"
             "line per difference: the key, the first value and the second (the drive's,\n"
             "then the file's), tab-separated raw values as the file writes them, \"-\"\n"
             "where one side has none. Exits 0 when equal, 7 when they differ.\n"},
};

}  // namespace

int ExitCodeFor(ModbusResult r)
{
    switch (r) {
    case kResultOk: return kExitOk;
    case kResultPortNotOpen: return kExitNoPort;
    case kResultTimeout: return kExitTimeout;
    default: return kExitDriveError;
    }
}

int Fail(std::ostream& err, ModbusResult r)
{
    err << CModbusMaster::ResultText(r) << "\n";
    return ExitCodeFor(r);
}

// The link's failure, or the drive's abort in words.
int SdoFailure(std::ostream& err, const SdoStep& step)
{
    if (step.result != kResultOk) return Fail(err, step.result);
    err << CModbusMaster::SdoAbortText(step.Value()) << "\n";
    return kExitSdoAbort;
}

int Usage(std::ostream& err, const std::string& why, const char* help)
{
    if (!why.empty()) err << "zoric-cli: " << why << "\n";
    err << (help ? help : kUsage);
    return kExitUsage;
}

const char* HelpFor(const std::string& command)
{
    for (const auto& h : kHelp)
        if (command == h.name) return h.text;
    return nullptr;
}

namespace {

std::optional<uint16_t> RegisterAddress(const std::string& word)
{
    auto n = ParseCliInteger(word);
    if (!n || *n < 0 || *n > 0xFFFF) return std::nullopt;
    return static_cast<uint16_t>(*n);
}

// One value of the given type as register words, high word first.
std::optional<std::vector<uint16_t>> EncodeValue(const std::string& word, ValueType type)
{
    if (type == ValueType::Float) {
        char* end = nullptr;
        errno = 0;
        float f = std::strtof(word.c_str(), &end);
        if (word.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(f)) return std::nullopt;
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        return std::vector<uint16_t>{static_cast<uint16_t>(bits >> 16), static_cast<uint16_t>(bits)};
    }
    auto n = ParseCliInteger(word);
    if (!n) return std::nullopt;
    switch (type) {
    case ValueType::U16:
        if (*n < 0 || *n > 0xFFFF) return std::nullopt;
        return std::vector<uint16_t>{static_cast<uint16_t>(*n)};
    case ValueType::S16:
        if (*n < -32768 || *n > 32767) return std::nullopt;
        return std::vector<uint16_t>{static_cast<uint16_t>(*n)};
    case ValueType::U32:
        if (*n < 0 || *n > 0xFFFFFFFFLL) return std::nullopt;
        break;
    case ValueType::S32:
        if (*n < INT32_MIN || *n > INT32_MAX) return std::nullopt;
        break;
    default: return std::nullopt;
    }
    uint32_t v = static_cast<uint32_t>(*n);
    return std::vector<uint16_t>{static_cast<uint16_t>(v >> 16), static_cast<uint16_t>(v)};
}

std::string DecodeValue(const uint16_t* regs, ValueType type)
{
    uint32_t v32 = static_cast<uint32_t>(regs[0]) << 16 | (RegistersPerValue(type) == 2 ? regs[1] : 0);
    switch (type) {
    case ValueType::U16: return Format("%u", regs[0]);
    case ValueType::S16: return Format("%d", static_cast<int16_t>(regs[0]));
    case ValueType::U32: return Format("%u", v32);
    case ValueType::S32: return Format("%d", static_cast<int32_t>(v32));
    case ValueType::Float: {
        float f;
        std::memcpy(&f, &v32, 4);
        return Format("%g", static_cast<double>(f));
    }
    }
    return {};
}

int CmdRead(CModbusMaster& m, const Connect& connect, const CliArguments& a, std::ostream& out, std::ostream& err)
{
    if (a.args.empty() || a.args.size() > 2) return Usage(err, "read takes ADDR [COUNT]", HelpFor("read"));
    auto addr = RegisterAddress(a.args[0]);
    auto count = a.args.size() > 1 ? ParseCliInteger(a.args[1]) : std::optional<int64_t>(1);
    const int per = RegistersPerValue(a.type);
    if (!addr) return Usage(err, "bad register address: " + a.args[0], HelpFor("read"));
    // One response holds at most 125 registers.
    if (!count || *count < 1 || *count * per > 125)
        return Usage(err, "COUNT must be 1 to " + std::to_string(125 / per), HelpFor("read"));
    if (*addr + *count * per - 1 > 0xFFFF) return Usage(err, "the registers run past 65535", HelpFor("read"));
    if (!connect()) return kExitNoPort;
    const uint16_t regs = static_cast<uint16_t>(*count * per);
    uint16_t words[125];
    const ModbusResult r = m.ReadRegisters(a.slave, *addr, regs, words);
    if (r != kResultOk) return Fail(err, r);
    for (int i = 0; i < *count; ++i)
        out << (*addr + i * per) << "\t" << DecodeValue(words + i * per, a.type) << "\n";
    return kExitOk;
}

int CmdWrite(CModbusMaster& m, const Connect& connect, const CliArguments& a, std::ostream& err)
{
    if (a.args.size() < 2) return Usage(err, "write takes ADDR VALUE...", HelpFor("write"));
    auto addr = RegisterAddress(a.args[0]);
    if (!addr) return Usage(err, "bad register address: " + a.args[0], HelpFor("write"));
    std::vector<uint16_t> words;
    for (size_t i = 1; i < a.args.size(); ++i) {
        auto w = EncodeValue(a.args[i], a.type);
        if (!w) return Usage(err, "bad value for this type: " + a.args[i], HelpFor("write"));
        words.insert(words.end(), w->begin(), w->end());
    }
    if (words.size() > CModbusRtu::kMaxWriteRegisters)
        return Usage(err, "at most 31 registers in one write", HelpFor("write"));
    if (*addr + words.size() - 1 > 0xFFFF) return Usage(err, "the registers run past 65535", HelpFor("write"));
    if (!connect()) return kExitNoPort;
    ModbusResult r = words.size() == 1
                         ? m.WriteSingleRegister(a.slave, *addr, words[0])
                         : m.WriteMultipleRegisters(a.slave, *addr, words.data(), static_cast<uint16_t>(words.size()));
    return r == kResultOk ? kExitOk : Fail(err, r);
}

// "电机转速: 1500RPM": the label in the user's language, then the text.
void PrintLine(std::ostream& out, const char* label, const std::string& text)
{
    out << Localized(label) << ": " << text << "\n";
}

int CmdInfo(CModbusMaster& m, const Connect& connect, const CliArguments& a, std::ostream& out, std::ostream& err)
{
    if (!connect()) return kExitNoPort;
    DeviceInfo info{};
    ModbusResult r = m.ReadDeviceInfo(a.slave, info);
    if (r != kResultOk) return Fail(err, r);
    auto t = StatusFormat::FormatDeviceInfo(info);
    PrintLine(out, "设备标识", t.identifier);
    PrintLine(out, "版本号", t.version);
    PrintLine(out, "设备型号", t.model);
    PrintLine(out, "PWM分辨率", t.pwmResolution);
    PrintLine(out, "PWM频率", t.pwmFrequency);
    PrintLine(out, "最大电流", t.maxCurrent);
    PrintLine(out, "电流分辨率", t.currentResolution);
    return kExitOk;
}

int CmdIdent(CModbusMaster& m, const Connect& connect, const CliArguments& a, std::ostream& out, std::ostream& err)
{
    if (!connect()) return kExitNoPort;
    std::string text;
    ModbusResult r = m.ReadDeviceIdentification(a.slave, text);
    if (r != kResultOk) return Fail(err, r);
    for (size_t p; (p = text.find("\r\n")) != std::string::npos;) text.replace(p, 2, "\n");
    out << text << "\n";
    return kExitOk;
}

void PrintStatus(const RealtimeStatus& s, std::ostream& out)
{
    for (const StatusChannels::Channel c : StatusChannels::PanelOrder())
        PrintLine(out, StatusChannels::Describe(c).label, StatusChannels::ShownText(c, s));
}

bool SleepInterruptible(std::chrono::milliseconds d, const std::atomic<bool>& interrupted)
{
    auto end = std::chrono::steady_clock::now() + d;
    while (std::chrono::steady_clock::now() < end) {
        if (interrupted.load()) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return !interrupted.load();
}

int CmdStatus(CModbusMaster& m, const Connect& connect, const CliArguments& a, std::ostream& out, std::ostream& err,
              const std::atomic<bool>& interrupted)
{
    if (!a.args.empty()) return Usage(err, "status takes no arguments", HelpFor("status"));
    if (!connect()) return kExitNoPort;
    int last = kExitOk;
    do {
        RealtimeStatus s{};
        ModbusResult r = m.ReadRealtimeStatus(a.slave, s);
        if (r != kResultOk) {
            last = Fail(err, r);
            if (!a.watch || r == kResultPortNotOpen) return last;
        } else {
            PrintStatus(s, out);
            last = kExitOk;
        }
        if (a.watch) out << std::endl;
    } while (a.watch && SleepInterruptible(std::chrono::milliseconds(100), interrupted));
    return a.watch ? kExitOk : last;
}

int CmdSdo(CModbusMaster& m, const Connect& connect, const CliArguments& a, std::ostream& out, std::ostream& err)
{
    const char* help = HelpFor("sdo");
    if (a.args.empty()) return Usage(err, "sdo takes read or write", help);
    bool read = a.args[0] == "read";
    if (!read && a.args[0] != "write") return Usage(err, "sdo takes read or write", help);
    if ((read && a.args.size() != 3) || (!read && a.args.size() != 5))
        return Usage(err, "wrong number of arguments", help);
    auto index = ParseCliInteger(a.args[1]);
    auto sub = ParseCliInteger(a.args[2]);
    if (!index || *index < 0 || *index > 0xFFFF) return Usage(err, "bad index: " + a.args[1], help);
    if (!sub || *sub < 0 || *sub > 0xFF) return Usage(err, "bad sub-index: " + a.args[2], help);
    uint8_t command = Sdo::kUpload;
    uint32_t data = 0;
    int size = 0;
    if (!read) {
        auto sz = ParseCliInteger(a.args[3]);
        auto value = ParseCliInteger(a.args[4]);
        if (!sz || *sz < 1 || *sz > 4) return Usage(err, "SIZE must be 1 to 4", help);
        size = static_cast<int>(*sz);
        const int64_t max = (int64_t{1} << (8 * size)) - 1;
        const int64_t min = -(int64_t{1} << (8 * size - 1));
        if (!value || *value > max || *value < min) return Usage(err, "VALUE does not fit in SIZE bytes", help);
        data = static_cast<uint32_t>(*value) & static_cast<uint32_t>(max);
        static const uint8_t kCommands[] = {Sdo::kDownload1, Sdo::kDownload2, Sdo::kDownload3, Sdo::kDownload4};
        command = kCommands[size - 1];
    }
    if (!connect()) return kExitNoPort;
    const SdoStep step =
        SdoStep::Run(m, a.slave, command, static_cast<uint16_t>(*index), static_cast<uint8_t>(*sub), data);
    if (!step.Ok()) return SdoFailure(err, step);
    const SdoRecord& resp = step.response;
    if (read) {
        int bytes = 4;
        switch (Sdo::Specifier(resp)) {
        case Sdo::kUploaded1: bytes = 1; break;
        case Sdo::kUploaded2: bytes = 2; break;
        case Sdo::kUploaded3: bytes = 3; break;
        default: break;
        }
        uint32_t v = bytes == 4 ? resp.data : resp.data & ((1u << (8 * bytes)) - 1);
        out << Format("0x%0*X\t%u\t%d byte%s", 2 * bytes, v, v, bytes, bytes == 1 ? "" : "s") << "\n";
    }
    return kExitOk;
}

int CmdStore(CModbusMaster& m, const Connect& connect, const CliArguments& a, std::ostream& err)
{
    if (!connect()) return kExitNoPort;
    const SdoStep step = ParameterStore::Store(m, a.slave);
    return step.Ok() ? kExitOk : SdoFailure(err, step);
}

// Starts a procedure and follows it to its end; the stop write is always
// sent (with the last state read), also on Ctrl-C.
int CmdProcedure(CModbusMaster& m, const Connect& connect, const CliArguments& a, uint16_t procedure, std::ostream& out,
                 std::ostream& err, const std::atomic<bool>& interrupted)
{
    if (!connect()) return kExitNoPort;
    const bool learning = procedure == ProcedureBlock::kMotorLearning;
    const ModbusResult r = ProcedureRunner::Start(m, a.slave, procedure);
    if (r != kResultOk) return Fail(err, r);
    out << Localized(learning ? "正在学习" : "正在校正") << std::endl;

    uint16_t lastStep = 0xFFFF;
    const ProcedureRunner::Report report = ProcedureRunner::Follow(
        m, a.slave, procedure,
        [&](std::chrono::milliseconds period) {
            if (SleepInterruptible(period, interrupted)) return false;
            err << "interrupted: stopping the procedure\n";
            return true;
        },
        [&](const ProcedureBlock& block) {
            const uint16_t step = block.words[ProcedureBlock::kResult];
            if (step != lastStep) out << Format("Step(%u)", step) << std::endl;
            lastStep = step;
        });
    const uint16_t* w = report.last.words;
    switch (report.outcome) {
    case ProcedureRunner::Outcome::Done:
        out << ProcedureRunner::OutcomeText(procedure, report.outcome) << "\n";
        if (learning) {
            out << Format(Localized("电机相序数据: %02X %02X %02X %02X %02X %02X"), w[5] & 0xFF, w[6] & 0xFF, w[7] & 0xFF,
                          w[8] & 0xFF, w[9] & 0xFF, w[10] & 0xFF)
                << "\n";
        } else {
            out << Format(Localized("相位偏移: %d"), static_cast<int16_t>(w[5])) << "\n"
                << Format(Localized("相位超前: %d"), static_cast<int16_t>(w[6])) << "\n";
        }
        return kExitOk;
    case ProcedureRunner::Outcome::Failed:
    case ProcedureRunner::Outcome::Aborted:
        err << ProcedureRunner::OutcomeText(procedure, report.outcome) << "\n";
        return kExitProcedureFailed;
    case ProcedureRunner::Outcome::PollFailed:
        return Fail(err, report.result);
    case ProcedureRunner::Outcome::Stopped:
        break;
    }
    if (report.stopResult != kResultOk)
        err << "the stop request failed: " << CModbusMaster::ResultText(report.stopResult) << "\n";
    return kExitInterrupted;
}

}  // namespace

namespace {
int Dispatch(CModbusMaster& master, const Connect& connect, const CliArguments& a, std::ostream& out,
             std::ostream& err, const std::atomic<bool>& interrupted);
}  // namespace

int Run(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err,
        const std::atomic<bool>& interrupted)
{
    SetLanguage(ChosenLanguage(argv));
    if (std::optional<int> recorded = RunRecord(argv, out, err, interrupted)) return *recorded;
    if (std::optional<int> scanned = RunScan(argv, out, err, interrupted)) return *scanned;
    if (std::optional<int> heard = RunListen(argv, out, err, interrupted)) return *heard;
    std::string error;
    auto parsed = ParseCliArguments(argv, error);
    if (!parsed) return Usage(err, error);
    const CliArguments& a = *parsed;
    if (a.command.empty()) {
        if (a.help) {
            out << kUsage;
            return kExitOk;
        }
        return Usage(err, "no command");
    }
    const char* help = HelpFor(a.command);
    if (!help) return Usage(err, "unknown command " + a.command);
    if (a.help) {
        out << help;
        if (a.command == "restore") {
            out << "groups:";
            for (const std::string& group : Backup::GroupKeys()) out << " " << group;
            out << "\n";
        }
        return kExitOk;
    }
    if (a.watch && a.command != "status") return Usage(err, "--watch goes with status only");
    if ((a.includeComm || a.includeMotorIdentity || a.groups || a.store || a.yes) && a.command != "restore")
        return Usage(err, "--include-comm, --include-motor-identity, --groups, --store and --yes go with restore only");
    static const char* const kNoArgs[] = {"info", "ident", "store", "learn", "calibrate"};
    for (const char* c : kNoArgs)
        if (a.command == c && !a.args.empty()) return Usage(err, a.command + " takes no arguments", help);

    CModbusMaster master;
    CliTrace trace(err);
    if (a.trace) master.SetFrameMonitor(&trace);
    Connect connect = [&] { return OpenCommandPort(master, a, err); };
    // Whatever the command, a line lost under it ends it the same way.
    const int code = CheckLostLine(master, Dispatch(master, connect, a, out, err, interrupted), err);
    if (a.trace) {
        master.SetFrameMonitor(nullptr);
        trace.PrintCounters(master.LineErrors());
    }
    return code;
}

namespace {

int Dispatch(CModbusMaster& master, const Connect& connect, const CliArguments& a, std::ostream& out,
             std::ostream& err, const std::atomic<bool>& interrupted)
{
    if (a.command == "read") return CmdRead(master, connect, a, out, err);
    if (a.command == "write") return CmdWrite(master, connect, a, err);
    if (a.command == "info") return CmdInfo(master, connect, a, out, err);
    if (a.command == "ident") return CmdIdent(master, connect, a, out, err);
    if (a.command == "status") return CmdStatus(master, connect, a, out, err, interrupted);
    if (a.command == "sdo") return CmdSdo(master, connect, a, out, err);
    if (a.command == "store") return CmdStore(master, connect, a, err);
    if (a.command == "backup") return CmdBackup(master, connect, a, out, err, interrupted);
    if (a.command == "restore") return CmdRestore(master, connect, a, out, err, interrupted);
    if (a.command == "diff") return CmdDiff(master, connect, a, out, err, interrupted);
    if (a.command == "learn") return CmdProcedure(master, connect, a, ProcedureBlock::kMotorLearning, out, err, interrupted);
    return CmdProcedure(master, connect, a, ProcedureBlock::kFocCalibration, out, err, interrupted);
}

}  // namespace

}  // namespace Cli
