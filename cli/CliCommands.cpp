#include "CliCommands.h"
#include "CliTrace.h"

#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <ostream>
#include <sstream>
#include <thread>

#include "CliArguments.h"
#include "CliPort.h"
#include "CliShared.h"
#include "ConfigItems.h"
#include "DriveConfig.h"
#include "FrameDecoder.h"
#include "Language.h"
#include "ModbusMaster.h"
#include "ParameterStore.h"
#include "ProcedureRunner.h"
#include "StatusChannels.h"
#include "StatusFormat.h"
#include "TextNumber.h"

namespace Cli {

using TextNumber::Format;

int ExitCodeFor(ModbusResult r)
{
    switch (r) {
    case kResultOk: return kExitOk;
    case kResultPortNotOpen: return kExitNoPort;
    case kResultTimeout: return kExitTimeout;
    default: return kExitDriveError;
    }
}

int Context::Fail(ModbusResult r) const
{
    err << CModbusMaster::ResultText(r) << "\n";
    if (AsJson()) Drive()["error"] = ScriptJson::Error(r);
    return ExitCodeFor(r);
}

int Context::SdoFailure(const SdoStep& step) const
{
    if (step.result != kResultOk) return Fail(step.result);
    err << CModbusMaster::SdoAbortText(step.Value()) << "\n";
    if (AsJson()) Drive()["error"] = ScriptJson::Error(Backup::FailureOf(step));
    return kExitSdoAbort;
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

const char* TypeName(ValueType type)
{
    static constexpr const char* kNames[] = {"u16", "s16", "u32", "s32", "float"};
    return kNames[static_cast<int>(type)];
}

// The --type of read and write; u16 when not given.
std::optional<ValueType> TypeOf(const CliArguments& a)
{
    const std::optional<std::string> word = a.Value("--type");
    return word ? ParseValueType(*word) : ValueType::U16;
}

}  // namespace

int CmdRead(const Context& c)
{
    CModbusMaster& m = c.master;
    const CliArguments& a = c.a;
    std::ostream& out = c.out;
    const std::optional<ValueType> type = TypeOf(a);
    if (!type) return c.Usage("--type takes u16, s16, u32, s32 or float");
    auto addr = RegisterAddress(a.args[0]);
    auto count = a.args.size() > 1 ? ParseCliInteger(a.args[1]) : std::optional<int64_t>(1);
    const int per = RegistersPerValue(*type);
    if (!addr) return c.Usage("bad register address: " + a.args[0]);
    // One response holds at most 125 registers.
    if (!count || *count < 1 || *count * per > 125) return c.Usage("COUNT must be 1 to " + std::to_string(125 / per));
    if (*addr + *count * per - 1 > 0xFFFF) return c.Usage("the registers run past 65535");
    if (!c.Connect()) return kExitNoPort;
    const uint16_t regs = static_cast<uint16_t>(*count * per);
    uint16_t words[125];
    const ModbusResult r = m.ReadRegisters(a.slave, *addr, regs, words);
    if (r != kResultOk) return c.Fail(r);
    if (c.AsJson()) {
        Json values = Json::array();
        for (int i = 0; i < *count; ++i)
            values.push_back(
                ScriptJson::RegisterValue(static_cast<uint16_t>(*addr + i * per), TypeName(*type), words + i * per));
        c.Drive()["type"] = TypeName(*type);
        c.Drive()["registers"] = std::move(values);
        return kExitOk;
    }
    for (int i = 0; i < *count; ++i) out << (*addr + i * per) << "\t" << DecodeValue(words + i * per, *type) << "\n";
    return kExitOk;
}

int CmdWrite(const Context& c)
{
    CModbusMaster& m = c.master;
    const CliArguments& a = c.a;
    const std::optional<ValueType> type = TypeOf(a);
    if (!type) return c.Usage("--type takes u16, s16, u32, s32 or float");
    auto addr = RegisterAddress(a.args[0]);
    if (!addr) return c.Usage("bad register address: " + a.args[0]);
    std::vector<uint16_t> words;
    for (size_t i = 1; i < a.args.size(); ++i) {
        auto w = EncodeValue(a.args[i], *type);
        if (!w) return c.Usage("bad value for this type: " + a.args[i]);
        words.insert(words.end(), w->begin(), w->end());
    }
    if (words.size() > CModbusRtu::kMaxWriteRegisters) return c.Usage("at most 31 registers in one write");
    if (*addr + words.size() - 1 > 0xFFFF) return c.Usage("the registers run past 65535");
    if (!c.Connect()) return kExitNoPort;
    ModbusResult r = words.size() == 1
                         ? m.WriteSingleRegister(a.slave, *addr, words[0])
                         : m.WriteMultipleRegisters(a.slave, *addr, words.data(), static_cast<uint16_t>(words.size()));
    if (r != kResultOk) return c.Fail(r);
    if (c.AsJson()) {
        c.Drive()["address"] = *addr;
        c.Drive()["written"] = words;
    }
    return kExitOk;
}

namespace {

// "电机转速: 1500RPM": the label in the user's language, then the text.
void PrintLine(std::ostream& out, const char* label, const std::string& text)
{
    out << Localized(label) << ": " << text << "\n";
}

}  // namespace

int CmdInfo(const Context& c)
{
    CModbusMaster& m = c.master;
    const CliArguments& a = c.a;
    std::ostream& out = c.out;
    if (!c.Connect()) return kExitNoPort;
    DeviceInfo info{};
    ModbusResult r = m.ReadDeviceInfo(a.slave, info);
    if (r != kResultOk) return c.Fail(r);
    if (c.AsJson()) {
        c.Drive().update(ScriptJson::Info(info));
        return kExitOk;
    }
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

int CmdIdent(const Context& c)
{
    CModbusMaster& m = c.master;
    const CliArguments& a = c.a;
    std::ostream& out = c.out;
    if (!c.Connect()) return kExitNoPort;
    std::string text;
    ModbusResult r = m.ReadDeviceIdentification(a.slave, text);
    if (r != kResultOk) return c.Fail(r);
    for (size_t p; (p = text.find("\r\n")) != std::string::npos;) text.replace(p, 2, "\n");
    if (c.AsJson()) {
        // "name:value" a line, the name in the language of the messages.
        Json objects = Json::array();
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            const size_t colon = line.find(':');
            const size_t value = line.find_first_not_of(' ', colon == std::string::npos ? line.size() : colon + 1);
            objects.push_back({{"name", line.substr(0, colon)},
                               {"value", value == std::string::npos ? std::string() : line.substr(value)}});
        }
        c.Drive()["objects"] = std::move(objects);
        return kExitOk;
    }
    out << text << "\n";
    return kExitOk;
}

namespace {

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

}  // namespace

namespace {

// One drive's status read as a script gets it.
Json StatusObject(uint8_t slave, ModbusResult r, const RealtimeStatus& s)
{
    Json object = {{"slave", slave}};
    if (r == kResultOk) object["status"] = ScriptJson::Status(s);
    else object["error"] = ScriptJson::Error(r);
    return object;
}

// status --slaves: the drives in turn, one line each under the CSV column
// names; under --json one document of all, or with --watch an object a line.
int StatusOfSlaves(const Context& c, const std::vector<uint8_t>& slaves, bool watch)
{
    if (!c.AsJson()) {
        std::string header = "slave";
        for (const StatusChannels::Channel channel : StatusChannels::All())
            header += "," + StatusChannels::ColumnName(channel);
        c.out << header << ",result" << std::endl;
    } else if (!watch) {
        c.document = {{"drives", Json::array()}};
    }
    bool anyFailed = false;
    do {
        for (const uint8_t slave : slaves) {
            RealtimeStatus s{};
            const ModbusResult r = c.master.ReadRealtimeStatus(slave, s);
            anyFailed = anyFailed || r != kResultOk;
            if (c.AsJson()) {
                Json object = StatusObject(slave, r, s);
                if (watch) c.Line(object);
                else c.document["drives"].push_back(std::move(object));
            } else {
                std::string row = std::to_string(slave);
                for (const StatusChannels::Channel channel : StatusChannels::All())
                    row += "," + (r == kResultOk ? StatusChannels::ValueText(channel, s) : std::string());
                c.out << row << "," << (r == kResultOk ? std::string() : FrameDecoder::ResultText(r)) << std::endl;
            }
            if (r == kResultPortNotOpen) return ExitCodeFor(r);
        }
    } while (watch && SleepInterruptible(std::chrono::milliseconds(100), c.interrupted));
    return !watch && anyFailed ? kExitSomeFailed : kExitOk;
}

}  // namespace

int CmdStatus(const Context& c)
{
    CModbusMaster& m = c.master;
    const CliArguments& a = c.a;
    std::ostream& out = c.out;
    std::ostream& err = c.err;
    const std::atomic<bool>& interrupted = c.interrupted;
    const bool watch = a.Has("--watch");
    if (!c.Connect()) return kExitNoPort;
    if (const std::optional<std::string> slaves = a.Value("--slaves"))
        return StatusOfSlaves(c, *ParseSlaveList(*slaves), watch);
    if (!watch) {
        RealtimeStatus s{};
        const ModbusResult r = m.ReadRealtimeStatus(a.slave, s);
        if (r != kResultOk) return c.Fail(r);
        if (c.AsJson()) c.Drive()["status"] = ScriptJson::Status(s);
        else PrintStatus(s, out);
        return kExitOk;
    }
    do {
        RealtimeStatus s{};
        ModbusResult r = m.ReadRealtimeStatus(a.slave, s);
        if (r != kResultOk) err << CModbusMaster::ResultText(r) << "\n";
        if (c.AsJson()) {
            c.Line(StatusObject(a.slave, r, s));
        } else {
            if (r == kResultOk) PrintStatus(s, out);
            out << std::endl;
        }
        if (r == kResultPortNotOpen) return ExitCodeFor(r);
    } while (SleepInterruptible(std::chrono::milliseconds(100), interrupted));
    return kExitOk;
}

int CmdSdo(const Context& c)
{
    CModbusMaster& m = c.master;
    const CliArguments& a = c.a;
    std::ostream& out = c.out;
    if (a.args.empty()) return c.Usage("sdo takes read or write");
    bool read = a.args[0] == "read";
    if (!read && a.args[0] != "write") return c.Usage("sdo takes read or write");
    if ((read && a.args.size() != 3) || (!read && a.args.size() != 5)) return c.Usage("wrong number of arguments");
    auto index = ParseCliInteger(a.args[1]);
    auto sub = ParseCliInteger(a.args[2]);
    if (!index || *index < 0 || *index > 0xFFFF) return c.Usage("bad index: " + a.args[1]);
    if (!sub || *sub < 0 || *sub > 0xFF) return c.Usage("bad sub-index: " + a.args[2]);
    uint8_t command = Sdo::kUpload;
    uint32_t data = 0;
    int size = 0;
    if (!read) {
        auto sz = ParseCliInteger(a.args[3]);
        auto value = ParseCliInteger(a.args[4]);
        if (!sz || *sz < 1 || *sz > 4) return c.Usage("SIZE must be 1 to 4");
        size = static_cast<int>(*sz);
        const int64_t max = (int64_t{1} << (8 * size)) - 1;
        const int64_t min = -(int64_t{1} << (8 * size - 1));
        if (!value || *value > max || *value < min) return c.Usage("VALUE does not fit in SIZE bytes");
        data = static_cast<uint32_t>(*value) & static_cast<uint32_t>(max);
        command = Sdo::DownloadCommand(size);
    }
    if (!c.Connect()) return kExitNoPort;
    const SdoStep step =
        SdoStep::Run(m, a.slave, command, static_cast<uint16_t>(*index), static_cast<uint8_t>(*sub), data);
    if (!step.Ok()) return c.SdoFailure(step);
    const SdoRecord& resp = step.response;
    if (c.AsJson()) {
        Json& doc = c.Drive();
        doc["index"] = *index;
        doc["subindex"] = *sub;
        doc["size"] = read ? Sdo::UploadedSize(resp) : size;
        doc["value"] = read ? Sdo::UploadedValue(resp) : data;
        return kExitOk;
    }
    if (read) {
        const int bytes = Sdo::UploadedSize(resp);
        const uint32_t v = Sdo::UploadedValue(resp);
        out << Format("0x%0*X\t%u\t%d byte%s", 2 * bytes, v, v, bytes, bytes == 1 ? "" : "s") << "\n";
    }
    return kExitOk;
}

int CmdStore(const Context& c)
{
    CModbusMaster& m = c.master;
    const CliArguments& a = c.a;
    if (!c.Connect()) return kExitNoPort;
    const SdoStep step = ParameterStore::Store(m, a.slave);
    if (!step.Ok()) return c.SdoFailure(step);
    if (c.AsJson()) c.Drive()["stored"] = true;
    return kExitOk;
}

namespace {

// Starts a procedure and follows it to its end; the stop write is always
// sent (with the last state read), also on Ctrl-C.
int FollowProcedure(const Context& c, uint16_t procedure)
{
    CModbusMaster& m = c.master;
    const CliArguments& a = c.a;
    // Under --json the steps are progress: on the error stream.
    std::ostream& out = c.Says();
    std::ostream& err = c.err;
    const std::atomic<bool>& interrupted = c.interrupted;
    if (!c.Connect()) return kExitNoPort;
    const bool learning = procedure == ProcedureBlock::kMotorLearning;
    const ModbusResult r = ProcedureRunner::Start(m, a.slave, procedure);
    if (r != kResultOk) return c.Fail(r);
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
    if (c.AsJson()) c.Drive().update(ScriptJson::Procedure(procedure, report));
    const uint16_t* w = report.last.words;
    switch (report.outcome) {
    case ProcedureRunner::Outcome::Done:
        if (c.AsJson()) return kExitOk;
        out << ProcedureRunner::OutcomeText(procedure, report.outcome) << "\n";
        if (learning) {
            out << Format(Localized("电机相序数据: %02X %02X %02X %02X %02X %02X"), w[5] & 0xFF, w[6] & 0xFF,
                          w[7] & 0xFF, w[8] & 0xFF, w[9] & 0xFF, w[10] & 0xFF)
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
        // The document has the failure already.
        err << CModbusMaster::ResultText(report.result) << "\n";
        return ExitCodeFor(report.result);
    case ProcedureRunner::Outcome::Stopped: break;
    }
    if (report.stopResult != kResultOk)
        err << "the stop request failed: " << CModbusMaster::ResultText(report.stopResult) << "\n";
    return kExitInterrupted;
}

}  // namespace

int CmdLearn(const Context& c) { return FollowProcedure(c, ProcedureBlock::kMotorLearning); }

int CmdCalibrate(const Context& c) { return FollowProcedure(c, ProcedureBlock::kFocCalibration); }

}  // namespace Cli
