#include "PythonDrive.h"

#include <pybind11/stl.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <thread>

#include "ConfigFile.h"
#include "ConfigItems.h"
#include "CsvWriter.h"
#include "DriveConfig.h"
#include "DriveScan.h"
#include "PortNames.h"
#include "PortOpenError.h"
#include "ProcedureRunner.h"
#include "PythonErrors.h"
#include "RecordLoop.h"
#include "SdoStep.h"
#include "StatusChannels.h"

using PythonErrors::Raise;
using PythonErrors::RaiseFailure;
using PythonErrors::RaiseResult;
using ScriptJson::Json;

py::object ToPython(const Json& json)
{
    switch (json.type()) {
    case Json::value_t::null:
    case Json::value_t::discarded: return py::none();
    case Json::value_t::boolean: return py::bool_(json.get<bool>());
    case Json::value_t::number_integer: return py::int_(json.get<int64_t>());
    case Json::value_t::number_unsigned: return py::int_(json.get<uint64_t>());
    case Json::value_t::number_float: return py::float_(json.get<double>());
    case Json::value_t::string: {
        const std::string& text = json.get_ref<const std::string&>();
        return py::reinterpret_steal<py::object>(
            PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace"));
    }
    case Json::value_t::array: {
        py::list list;
        for (const Json& item : json) list.append(ToPython(item));
        return list;
    }
    case Json::value_t::object: {
        py::dict dict;
        for (const auto& [key, value] : json.items()) dict[py::str(key)] = ToPython(value);
        return dict;
    }
    case Json::value_t::binary: break;
    }
    return py::none();
}

int ParityIndex(const std::string& parity)
{
    for (const int index : DriveScan::AllParities())
        if (DriveScan::ParityText(index) == parity) return index;
    return -1;
}

namespace {

constexpr std::chrono::milliseconds kSignalSlice{50};

std::string ToolName()
{
#ifdef ZORIC_VERSION
    return std::string("zoric (Python) ") + ZORIC_VERSION;
#else
    return "zoric (Python)";
#endif
}

const Backup::Item& ItemOf(const std::string& key)
{
    const Backup::Item* item = Backup::FindItem(key);
    if (!item) throw py::key_error("no setting " + key);
    return *item;
}

// A value given in Python as the text ParseValue reads: a number in the
// page's unit, a list item's number, 0 or 1, the six phase bytes.
std::string ValueText(py::handle value)
{
    if (py::isinstance<py::bool_>(value)) return value.cast<bool>() ? "1" : "0";
    if (py::isinstance<py::int_>(value)) return py::str(value).cast<std::string>();
    if (py::isinstance<py::float_>(value)) {
        const double number = value.cast<double>();
        if (!std::isfinite(number)) throw py::value_error("not a number");
        char text[400];
        const auto end = std::to_chars(text, text + sizeof text, number, std::chars_format::fixed).ptr;
        return std::string(text, end);
    }
    if (py::isinstance<py::str>(value)) return value.cast<std::string>();
    throw py::type_error("a setting's value is a number or a text");
}

Backup::Configuration ReadFileOrRaise(const std::string& path)
{
    Backup::ParsedFile parsed = Backup::ReadFile(path);
    if (!parsed.config) Raise("Error", path + ": " + Backup::Describe(parsed.problem));
    return std::move(*parsed.config);
}

// Waits `period` in slices with the GIL released, running the signal
// handlers between them; true when one raised (kept in `pending`).
bool WaitOrSignal(std::chrono::milliseconds period, PythonErrors::CPending& pending)
{
    const auto end = std::chrono::steady_clock::now() + period;
    while (true) {
        if (pending.CheckSignals()) return true;
        const auto now = std::chrono::steady_clock::now();
        if (now >= end) return false;
        py::gil_scoped_release nogil;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(kSignalSlice, end - now));
    }
}

// Runs `work` on a thread of its own and waits for it with the GIL free,
// setting `stop` on Ctrl-C (kept in `pending`, raised by the caller).
template <typename Work>
void RunStoppable(Work&& work, std::atomic<bool>& stop, PythonErrors::CPending& pending)
{
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done = true;
    });
    while (!done) {
        if (!stop && pending.CheckSignals()) stop = true;
        py::gil_scoped_release nogil;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    py::gil_scoped_release nogil;
    worker.join();
}

// Progress between the steps of a long job: Ctrl-C stops it there.
Backup::Progress StoppedBySignals(PythonErrors::CPending& pending)
{
    Backup::Progress progress;
    progress.stopped = [&pending] {
        py::gil_scoped_acquire gil;
        return pending.CheckSignals();
    };
    return progress;
}

}  // namespace

CPythonDrive::CPythonDrive(const std::string& port, int slave, int baud, const std::string& parity, double timeout)
    : m_master(std::make_unique<CModbusMaster>()), m_port(port)
{
    const int parityIndex = ParityIndex(parity);
    if (parityIndex < 0) throw py::value_error("parity is one of n,8,2  o,8,1  e,8,1  n,8,1: " + parity);
    if (baud <= 0 || baud > 4000000) throw py::value_error("baud rate out of range: " + std::to_string(baud));
    if (!(timeout > 0 && timeout <= 60)) throw py::value_error("timeout is 0 to 60 seconds");
    SetSlave(slave);
    m_master->SetResponseTimeout(static_cast<uint32_t>(std::lround(timeout * 1000)));
    bool opened = false;
    {
        py::gil_scoped_release nogil;
        opened = m_master->OpenPort(port, baud, parityIndex);
    }
    if (!opened) Raise("Error", "cannot open " + port + ": " + OpenFailureText(m_master->LastOpenError()));
    m_open = true;
}

CPythonDrive::~CPythonDrive()
{
    std::unique_lock hold(m_lock);
    m_master->ClosePort();
}

void CPythonDrive::Close()
{
    py::gil_scoped_release nogil;
    std::unique_lock hold(m_lock);
    m_master->ClosePort();
    m_open = false;
}

void CPythonDrive::CheckOpen() const
{
    if (!m_open) Raise("Error", "the drive " + m_port + " is closed");
}

void CPythonDrive::SetSlave(int slave)
{
    if (slave < 1 || slave > 247) throw py::value_error("slave address is 1 to 247");
    m_slave = static_cast<uint8_t>(slave);
}

std::string CPythonDrive::Repr() const
{
    return "<zoric.Drive " + m_port + " slave " + std::to_string(Slave()) + (m_open ? "" : " closed") + ">";
}

py::object CPythonDrive::Info()
{
    DeviceInfo info{};
    const ModbusResult r = Exchange([&](CModbusMaster& m) { return m.ReadDeviceInfo(m_slave, info); });
    if (r != kResultOk) RaiseResult(r, *m_master);
    return ToPython(ScriptJson::Info(info));
}

py::object CPythonDrive::Status(bool full)
{
    RealtimeStatus status{};
    const ModbusResult r = Exchange([&](CModbusMaster& m) { return m.ReadRealtimeStatus(m_slave, status); });
    if (r != kResultOk) RaiseResult(r, *m_master);
    return ToPython(full ? ScriptJson::Status(status) : ScriptJson::StatusValues(status));
}

py::object CPythonDrive::Read(const std::string& key, bool full)
{
    const Backup::Item& item = ItemOf(key);
    const Backup::SettingRead read = Exchange([&](CModbusMaster& m) { return Backup::ReadSetting(m, m_slave, item); });
    if (read.failure.Failed()) RaiseFailure(read.failure, *m_master);
    if (!read.raw) Raise("Error", "the drive has no " + key);
    const Json setting = ScriptJson::Setting(key, read.raw, read.values);
    return ToPython(full ? setting : setting["value"]);
}

void CPythonDrive::Write(const std::string& key, py::handle value)
{
    const Backup::Item& item = ItemOf(key);
    const std::string text = ValueText(value);
    const Backup::SettingWrite written =
        Exchange([&](CModbusMaster& m) { return Backup::WriteSetting(m, m_slave, item, text); });
    if (!written.invalid.empty()) throw py::value_error(key + "=" + text + ": " + written.invalid);
    if (written.refusal != Backup::Refusal::None) Raise("Error", Backup::RefusalText(written.refusal));
    if (!written.step.skipped.empty()) Raise("Error", "the drive has no " + key);
    if (written.step.failure.Failed()) RaiseFailure(written.step.failure, *m_master);
    if (!written.Ok()) {
        std::string keys;
        for (const std::string& k : written.step.mismatched) keys += (keys.empty() ? "" : ", ") + k;
        Raise("Error", "read back different: " + keys);
    }
}

py::list CPythonDrive::ReadRegisters(int start, int count)
{
    if (start < 0 || start > 0xFFFF) throw py::value_error("start is a register address, 0 to 65535");
    if (count < 1 || count > 125) throw py::value_error("count is 1 to 125");
    if (start + count - 1 > 0xFFFF) throw py::value_error("the registers run past 65535");
    uint16_t words[125];
    const ModbusResult r = Exchange([&](CModbusMaster& m) {
        return m.ReadRegisters(m_slave, static_cast<uint16_t>(start), static_cast<uint16_t>(count), words);
    });
    if (r != kResultOk) RaiseResult(r, *m_master);
    py::list values;
    for (int i = 0; i < count; ++i) values.append(words[i]);
    return values;
}

void CPythonDrive::WriteRegisters(int start, const std::vector<int64_t>& values)
{
    if (start < 0 || start > 0xFFFF) throw py::value_error("start is a register address, 0 to 65535");
    if (values.empty() || values.size() > CModbusRtu::kMaxWriteRegisters)
        throw py::value_error("1 to " + std::to_string(CModbusRtu::kMaxWriteRegisters) + " registers in one write");
    if (start + static_cast<int>(values.size()) - 1 > 0xFFFF) throw py::value_error("the registers run past 65535");
    std::vector<uint16_t> words;
    for (const int64_t v : values) {
        // A register holds 0 to 65535, or a signed word's -32768 to -1.
        if (v < -32768 || v > 0xFFFF)
            throw py::value_error("a register value is -32768 to 65535: " + std::to_string(v));
        words.push_back(static_cast<uint16_t>(v));
    }
    const ModbusResult r = Exchange([&](CModbusMaster& m) {
        const auto address = static_cast<uint16_t>(start);
        return words.size() == 1
                   ? m.WriteSingleRegister(m_slave, address, words[0])
                   : m.WriteMultipleRegisters(m_slave, address, words.data(), static_cast<uint16_t>(words.size()));
    });
    if (r != kResultOk) RaiseResult(r, *m_master);
}

int64_t CPythonDrive::SdoRead(int index, int subindex)
{
    if (index < 0 || index > 0xFFFF || subindex < 0 || subindex > 0xFF)
        throw py::value_error("index is 0 to 0xFFFF, sub-index 0 to 0xFF");
    const SdoStep step = Exchange([&](CModbusMaster& m) {
        return SdoStep::Read(m, m_slave, static_cast<uint16_t>(index), static_cast<uint8_t>(subindex));
    });
    if (!step.Ok()) RaiseFailure(Backup::FailureOf(step), *m_master);
    return Sdo::UploadedValue(step.response);
}

void CPythonDrive::SdoWrite(int index, int subindex, int64_t value, int size)
{
    if (index < 0 || index > 0xFFFF || subindex < 0 || subindex > 0xFF)
        throw py::value_error("index is 0 to 0xFFFF, sub-index 0 to 0xFF");
    if (size < 1 || size > 4) throw py::value_error("size is 1 to 4 bytes");
    const int64_t max = (int64_t{1} << (8 * size)) - 1;
    const int64_t min = -(int64_t{1} << (8 * size - 1));
    if (value < min || value > max)
        throw py::value_error("the value does not fit in " + std::to_string(size) + " bytes");
    const auto data = static_cast<uint32_t>(value) & static_cast<uint32_t>(max);
    const SdoStep step = Exchange([&](CModbusMaster& m) {
        return SdoStep::Run(m, m_slave, Sdo::DownloadCommand(size), static_cast<uint16_t>(index),
                            static_cast<uint8_t>(subindex), data);
    });
    if (!step.Ok()) RaiseFailure(Backup::FailureOf(step), *m_master);
}

py::object CPythonDrive::Backup(const std::string& path)
{
    PythonErrors::CPending pending;
    const Backup::ReadResult read =
        Exchange([&](CModbusMaster& m) { return Backup::ReadConfiguration(m, m_slave, StoppedBySignals(pending)); });
    pending.RaiseIfPending();
    if (read.failure.Failed()) RaiseFailure(read.failure, *m_master);
    Backup::Configuration config = read.config;
    config.created = Backup::NowUtc();
    config.tool = ToolName();
    std::string error;
    if (!Backup::WriteFile(path, config, error)) Raise("Error", error);
    Json document = {{"slave", m_slave.load()}};
    document.update(ScriptJson::Backup(path, config.values.size()));
    return ToPython(document);
}

py::object CPythonDrive::Diff(const std::string& path)
{
    const Backup::Configuration file = ReadFileOrRaise(path);
    PythonErrors::CPending pending;
    const Backup::ReadResult read =
        Exchange([&](CModbusMaster& m) { return Backup::ReadConfiguration(m, m_slave, StoppedBySignals(pending)); });
    pending.RaiseIfPending();
    if (read.failure.Failed()) RaiseFailure(read.failure, *m_master);
    Json document = {{"slave", m_slave.load()}};
    document.update(ScriptJson::Diff("drive", path, read.config.values, file.values));
    return ToPython(document);
}

py::object CPythonDrive::Restore(const std::string& path, std::optional<std::vector<std::string>> groups,
                                 bool includeComm, bool includeMotorIdentity, bool store, bool dryRun)
{
    Backup::LoadOptions options;
    if (groups) options.groups = *groups;
    options.includeComm = includeComm;
    options.includeMotorIdentity = includeMotorIdentity;
    if (const std::string unknown = Backup::UnknownGroup(options); !unknown.empty())
        throw py::value_error("no group " + unknown);
    const Backup::Configuration file = ReadFileOrRaise(path);
    PythonErrors::CPending pending;
    Backup::LoadHooks hooks;
    hooks.progress = StoppedBySignals(pending);
    const std::string port = m_port;
    const Backup::RestoreRun run = Exchange([&](CModbusMaster& m) {
        // The new link: the port reopened with the drive's new line settings.
        hooks.relink = [&m, port](const Backup::LinkSettings& link) {
            m.ClosePort();
            return m.OpenPort(port, static_cast<int>(link.baud), link.parityIndex);
        };
        return Backup::Restore(
            m, m_slave, file, options, hooks, [dryRun](const Backup::Plan&) { return !dryRun; }, store);
    });
    pending.RaiseIfPending();
    if (run.plan.failure.Failed()) RaiseFailure(run.plan.failure, *m_master);
    if (run.report && run.report->newLink) m_slave = run.report->newLink->address;
    Json document = {{"slave", m_slave.load()}, {"file", path}};
    document.update(ScriptJson::Restore(run, file));
    const py::object report = ToPython(document);
    const Backup::Refusal refusal = run.report ? run.report->refusal : run.plan.refusal;
    if (refusal != Backup::Refusal::None) Raise("Error", Backup::RefusalText(refusal), std::nullopt, report);
    if (run.report && !run.report->Complete()) {
        for (const Backup::StepReport& step : run.report->steps) {
            if (step.status != Backup::StepStatus::Failed) continue;
            const std::string why = step.failure.Failed() ? Backup::FailureText(step.failure) : "read back different";
            Raise("Error", "the load did not complete: " + step.step + " failed: " + why,
                  step.failure.Failed() && !step.failure.aborted ? std::optional<int64_t>(step.failure.result)
                                                                 : std::nullopt,
                  report);
        }
        Raise("Error", "the load did not complete", std::nullopt, report);
    }
    if (run.store && run.store->Failed())
        Raise("Error", "storing the parameters failed: " + Backup::FailureText(*run.store), std::nullopt, report);
    return report;
}

py::object CPythonDrive::FollowProcedure(uint16_t procedure, py::object progress)
{
    PythonErrors::CPending pending;
    const ModbusResult started =
        Exchange([&](CModbusMaster& m) { return ProcedureRunner::Start(m, m_slave, procedure); });
    if (started != kResultOk) RaiseResult(started, *m_master);
    const auto begin = std::chrono::steady_clock::now();
    std::optional<int> step;
    // Told every poll period, with the GIL: the seconds so far and the
    // calibration's step. A callback that raises stops the procedure.
    const auto tell = [&] {
        if (progress.is_none() || pending.Pending()) return;
        try {
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
            progress(seconds, step ? py::object(py::int_(*step)) : py::object(py::none()));
        } catch (py::error_already_set& e) {
            e.restore();
            pending.Keep();
        }
    };
    const ProcedureRunner::Report report = Exchange([&](CModbusMaster& m) {
        return ProcedureRunner::Follow(
            m, m_slave, procedure,
            [&](std::chrono::milliseconds period) {
                py::gil_scoped_acquire gil;
                tell();
                return pending.Pending() || WaitOrSignal(period, pending);
            },
            [&](const ProcedureBlock& block) { step = block.words[ProcedureBlock::kResult]; });
    });
    pending.RaiseIfPending();
    const Json document = ScriptJson::Procedure(procedure, report);
    switch (report.outcome) {
    case ProcedureRunner::Outcome::Done: break;
    case ProcedureRunner::Outcome::PollFailed: RaiseResult(report.result, *m_master);
    default: {
        const char* text = ProcedureRunner::OutcomeText(procedure, report.outcome);
        Raise("Error", text ? text : "stopped", std::nullopt, ToPython(document));
    }
    }
    return ToPython(document);
}

py::object CPythonDrive::Learn(py::object progress)
{
    return FollowProcedure(ProcedureBlock::kMotorLearning, std::move(progress));
}

py::object CPythonDrive::Calibrate(py::object progress)
{
    return FollowProcedure(ProcedureBlock::kFocCalibration, std::move(progress));
}

py::object CPythonDrive::Record(const std::string& path, double interval, std::optional<double> duration,
                                std::optional<std::vector<std::string>> channels)
{
    if (!(interval >= 0 && interval <= 3600)) throw py::value_error("interval is 0 to 3600 seconds");
    if (duration && !(*duration > 0 && *duration < 1e7)) throw py::value_error("duration is above 0 seconds");
    RecordLoop::Options options;
    options.interval = std::chrono::milliseconds(std::llround(interval * 1000));
    if (duration) options.duration = std::chrono::milliseconds(std::llround(*duration * 1000));
    std::vector<StatusChannels::Channel> chosen(StatusChannels::All().begin(), StatusChannels::All().end());
    if (channels) {
        chosen.clear();
        for (const std::string& name : *channels) {
            const auto channel = StatusChannels::Find(name);
            if (!channel) throw py::value_error("no channel " + name);
            chosen.push_back(*channel);
        }
    }
    CheckOpen();
    if (HasLineSettings(m_port)) options.device = ResolvePortName(m_port);
    CCsvWriter writer(chosen);
    if (!writer.Open(path)) Raise("Error", "cannot write " + writer.Error());
    PythonErrors::CPending pending;
    std::atomic<bool> stop{false};
    RecordLoop::Summary summary;
    {
        // Taken without the GIL, as Exchange takes it: a procedure holding
        // the lock needs the GIL for its progress callback.
        std::shared_lock hold(m_lock, std::defer_lock);
        {
            py::gil_scoped_release nogil;
            hold.lock();
        }
        RunStoppable([&] { summary = RecordLoop::Run(*m_master, m_slave, writer, options, stop); }, stop, pending);
    }
    writer.Close();
    pending.RaiseIfPending();
    Json document = {{"slave", m_slave.load()}, {"file", path}};
    document.update(ScriptJson::RecordSummary(summary));
    if (summary.end == RecordLoop::End::LineLost) RaiseResult(kResultPortNotOpen, *m_master);
    if (summary.end == RecordLoop::End::WriteFailed) Raise("Error", "cannot write " + path + ": " + writer.Error());
    return ToPython(document);
}

py::object CPythonDrive::Sample(double seconds)
{
    const auto when = std::chrono::system_clock::now();
    RealtimeStatus status{};
    const ModbusResult r = Exchange([&](CModbusMaster& m) { return m.ReadRealtimeStatus(m_slave, status); });
    if (r == kResultPortNotOpen) RaiseResult(r, *m_master);
    Json sample = {{"time", CCsvWriter::IsoTime(when)}, {"seconds", seconds}};
    Json values = ScriptJson::StatusValues(status);
    for (auto& [column, value] : values.items()) sample[column] = r == kResultOk ? value : Json(nullptr);
    sample["result"] = r == kResultOk ? Json(nullptr) : Json(CModbusMaster::ResultText(r));
    return ToPython(sample);
}

namespace PythonScan {

py::list Scan(const std::string& port, std::optional<std::vector<int>> slaves, std::optional<std::vector<int>> bauds,
              std::optional<std::vector<std::string>> parities, std::optional<double> timeout)
{
    DriveScan::Options options;
    if (slaves) {
        for (const int slave : *slaves) {
            if (slave < 1 || slave > 247) throw py::value_error("slave addresses are 1 to 247");
            options.addresses.push_back(static_cast<uint8_t>(slave));
        }
    }
    if (bauds) options.bauds = *bauds;
    for (const int baud : options.bauds)
        if (baud < 300 || baud > 4000000) throw py::value_error("baud rate out of range: " + std::to_string(baud));
    if (parities) {
        options.parities.clear();
        for (const std::string& parity : *parities) {
            const int index = ParityIndex(parity);
            if (index < 0) throw py::value_error("parity is one of n,8,2  o,8,1  e,8,1  n,8,1: " + parity);
            options.parities.push_back(index);
        }
    }
    if (options.bauds.empty() || options.parities.empty()) throw py::value_error("no line settings to scan");
    if (timeout) {
        if (!(*timeout > 0 && *timeout <= 10)) throw py::value_error("timeout is 0 to 10 seconds");
        options.timeoutMs = static_cast<int>(std::lround(*timeout * 1000));
    }
    CModbusMaster master;
    PythonErrors::CPending pending;
    std::atomic<bool> stop{false};
    DriveScan::Result result;
    RunStoppable([&] { result = DriveScan::Run(master, port, options, {}, stop); }, stop, pending);
    pending.RaiseIfPending();
    if (result.portFailed) Raise("Error", "cannot open " + port + ": " + OpenFailureText(master.LastOpenError()));
    py::list found;
    for (const DriveScan::Found& drive : result.drives) found.append(ToPython(ScriptJson::Found(drive)));
    return found;
}

}  // namespace PythonScan
