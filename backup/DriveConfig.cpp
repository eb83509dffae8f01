#include "DriveConfig.h"

#include <algorithm>
#include <iterator>

#include "FieldGroups.h"
#include "Language.h"
#include "ModbusMaster.h"
#include "ParameterStore.h"
#include "PdoObjects.h"
#include "RegisterGroup.h"
#include "StatusChannels.h"
#include "SyncObjects.h"
#include "TextCodec.h"
#include "TextNumber.h"

namespace Backup {

const char* RefusalText(Refusal refusal)
{
    switch (refusal) {
    case Refusal::Running: return Localized("电机正在运行, 请先停止电机。未写入任何参数。");
    case Refusal::NoSpeedRangeX10: return Localized("文件中设置了速度量程×10, 此驱动器不支持。未写入任何参数。");
    case Refusal::SpeedRangeDiffers:
        return Localized("文件与驱动器的速度量程×10设置不同, 速度值的单位不同。请同时载入电机参数。未写入任何参数。");
    case Refusal::BadLinkAddress: return Localized("文件中的从站地址无效(应为1到247)。未写入任何参数。");
    case Refusal::None: break;
    }
    return "";
}
namespace {

using FieldRules::Field;
using FieldRules::Kind;

// The communication groups, in the order a load writes them: the CAN
// settings do not touch the RS-485 link; the address goes before the line
// settings, so that both are written before the port has to be reopened.
constexpr std::string_view kCommSteps[] = {"can", "comm_address", "comm"};
constexpr std::string_view kMotorStep = "motor";
// SDO aborts that mean the object is not there: a drive without it.
constexpr uint32_t kNoObject = 0x06020000;
constexpr uint32_t kNoSubindex = 0x06090011;

bool IsCommStep(std::string_view step)
{
    return std::find(std::begin(kCommSteps), std::end(kCommSteps), step) != std::end(kCommSteps);
}

const FieldRules::Group* RegisterGroupOf(std::string_view step)
{
    for (const FieldRules::Group& group : FieldRules::kGroups) {
        if (step == group.key) return &group;
    }
    return nullptr;
}

int PdoOf(std::string_view step)
{
    for (int n = 0; n < PdoObjects::kPdoCount; ++n) {
        const Item* item = FindItem(std::string(step) + ".cob_id");
        if (item && item->index == PdoObjects::CommObject(n)) return n;
    }
    return -1;
}

// Every load step in file order.
std::vector<std::string> AllSteps()
{
    std::vector<std::string> steps;
    for (const Item& item : Items()) {
        if (steps.empty() || steps.back() != item.unit) steps.push_back(item.unit);
    }
    return steps;
}

std::vector<const Item*> ItemsOf(std::string_view step)
{
    std::vector<const Item*> items;
    for (const Item& item : Items()) {
        if (item.unit == step) items.push_back(&item);
    }
    return items;
}

Failure FromResult(ModbusResult result)
{
    Failure failure;
    failure.result = result;
    return failure;
}

}  // namespace

Failure FailureOf(const SdoStep& step)
{
    Failure failure;
    failure.result = step.result;
    if (step.Aborted()) {
        failure.aborted = true;
        failure.abortCode = step.Value();
        failure.index = step.response.index;
        failure.subindex = static_cast<uint8_t>(step.response.subindex & 0xFF);
    }
    return failure;
}

namespace {

bool Absent(const Failure& failure)
{
    return failure.aborted && (failure.abortCode == kNoObject || failure.abortCode == kNoSubindex);
}

// ---- register groups ----

void TakeWords(const FieldRules::Group& group, const uint16_t* words, Values& values)
{
    for (const Field& field : group.fields) {
        if (field.kind == Kind::ReservedZero) continue;
        const uint16_t* at = words + (field.reg - group.start);
        values[field.key] =
            field.kind == Kind::Flag ? ((*at & field.mask) != 0 ? 1 : 0) : FieldRules::Join({at, field.registers});
    }
}

// The group's registers as its page sends them: reserved words 0, the
// flags of a register together with its other bits 0.
std::vector<uint16_t> MakeWords(const FieldRules::Group& group, const Values& values)
{
    std::vector<uint16_t> words(group.count, 0);
    for (const Field& field : group.fields) {
        uint16_t* at = words.data() + (field.reg - group.start);
        const auto it = values.find(field.key);
        if (field.kind == Kind::ReservedZero || it == values.end()) continue;
        if (field.kind == Kind::Flag) {
            if (it->second) *at = static_cast<uint16_t>(*at | field.mask);
        } else {
            FieldRules::Split(it->second, {at, field.registers});
        }
    }
    return words;
}

Failure ReadGroup(CModbusMaster& master, uint8_t slave, const FieldRules::Group& group, Values& values)
{
    std::vector<uint16_t> words(group.count);
    const ModbusResult result = RegisterGroup::ReadWords(master, slave, group.start, group.count, words.data());
    if (result == kResultOk) TakeWords(group, words.data(), values);
    return FromResult(result);
}

// ---- objects ----

// The values a sequence reads, by object.
struct Collected {
    std::map<std::pair<uint16_t, uint8_t>, uint32_t> values;
    PdoObjects::Hooks Hooks()
    {
        PdoObjects::Hooks hooks;
        hooks.value = [this](uint16_t index, uint8_t subindex, uint32_t value) { values[{index, subindex}] = value; };
        return hooks;
    }
    void Into(std::string_view step, Values& out) const
    {
        for (const Item* item : ItemsOf(step)) {
            const auto it = values.find({item->index, item->subindex});
            if (it != values.end()) out[item->key] = it->second;
        }
    }
};

Failure ReadPdo(CModbusMaster& master, uint8_t slave, int n, std::string_view step, Values& values,
                int32_t* entries = nullptr)
{
    Collected collected;
    const PdoObjects::Communication comm = PdoObjects::ReadCommunication(master, slave, n, collected.Hooks());
    if (!comm.outcome.Ok()) return FailureOf(comm.outcome.step);
    const PdoObjects::Mapping mapping = PdoObjects::ReadMapping(master, slave, n, collected.Hooks());
    if (!mapping.outcome.Ok()) return FailureOf(mapping.outcome.step);
    if (entries) *entries = comm.entries;
    collected.Into(step, values);
    return {};
}

Failure ReadSync(CModbusMaster& master, uint8_t slave, Values& values)
{
    const SyncObjects::Reading reading = SyncObjects::Read(master, slave);
    if (!reading.step.Ok()) return FailureOf(reading.step);
    const char* keys[] = {"sync.cob_id", "sync.cycle_period", "sync.window_length"};
    for (int i = 0; i < SyncObjects::kCount; ++i) values[keys[i]] = reading.values[static_cast<size_t>(i)];
    return {};
}

// One step of the drive into `values`; an object the drive does not have is
// left out.
Failure ReadStep(CModbusMaster& master, uint8_t slave, const std::string& step, Values& values,
                 std::map<int, int32_t>* pdoEntries = nullptr)
{
    if (const FieldRules::Group* group = RegisterGroupOf(step)) return ReadGroup(master, slave, *group, values);
    Failure failure;
    if (const int n = PdoOf(step); n >= 0) {
        int32_t entries = 0;
        failure = ReadPdo(master, slave, n, step, values, &entries);
        if (!failure.Failed() && pdoEntries) (*pdoEntries)[n] = entries;
    } else {
        failure = ReadSync(master, slave, values);
    }
    return Absent(failure) ? Failure{} : failure;
}

DriveIdentity IdentityOf(const DeviceInfo& info)
{
    DriveIdentity identity;
    identity.identifier = TextNumber::Format("0x%04X", info.identifier);
    identity.version = TextNumber::Format("%d.%02d", info.version >> 8, info.version & 0xFF);
    char model[DeviceInfo::kModelLength] = {};
    std::copy(std::begin(info.model), std::end(info.model) - 1, model);
    identity.model = GbkToUtf8(model, std::char_traits<char>::length(model));
    return identity;
}

bool Stopped(const Progress& progress) { return progress.stopped && progress.stopped(); }

void Tell(const Progress& progress, int done, int total, const std::string& step)
{
    if (progress.step) progress.step(done, total, step);
}

bool Selected(const LoadOptions& options, const std::string& group)
{
    return options.groups.empty() ||
           std::find(options.groups.begin(), options.groups.end(), group) != options.groups.end();
}

// Whether the load takes the file's value of an item.
bool Loads(const Item& item, const LoadOptions& options)
{
    return Selected(options, item.group) && (!item.motorIdentity || options.includeMotorIdentity) &&
           (!item.link || options.includeComm);
}

// The value the load gives an item on this drive: a PDO's COB-ID keeps the
// node-ID bits the drive has.
uint64_t Target(const Item& item, uint64_t file, std::optional<uint64_t> drive)
{
    if (!drive) return file;
    return (file & item.compareMask) | (*drive & ~item.compareMask);
}

uint64_t Value(const Values& values, std::string_view key)
{
    const auto it = values.find(key);
    return it == values.end() ? 0 : it->second;
}

std::optional<uint64_t> Find(const Values& values, std::string_view key)
{
    const auto it = values.find(key);
    return it == values.end() ? std::nullopt : std::optional<uint64_t>(it->second);
}

// The groups whose raw speeds count in the unit the x10 switch sets.
bool CarriesSpeeds(const std::string& group)
{
    return group == "ramp" || group == "motor" || group == "reciprocate" || group == "preset";
}

Refusal SpeedRangeRefusal(const Configuration& file, const Plan& plan, const LoadOptions& options)
{
    const bool fileX10 = (Value(file.values, "motor.speed_range_x10") & 1) != 0;
    if (Selected(options, "motor") && fileX10 && !plan.speedRangeCapable) return Refusal::NoSpeedRangeX10;
    const bool driveX10 = (Value(plan.driveValues, "motor.speed_range_x10") & 1) != 0;
    const bool after = Selected(options, "motor") ? fileX10 && plan.speedRangeCapable : driveX10;
    bool speeds = false;
    for (const std::string& group : GroupKeys()) speeds = speeds || (CarriesSpeeds(group) && Selected(options, group));
    return speeds && after != fileX10 ? Refusal::SpeedRangeDiffers : Refusal::None;
}

// What the load will write into one step: the drive's values with the
// file's for the items it takes.
Values Compose(const std::string& step, const Configuration& file, const Values& drive, const Plan& plan,
               const LoadOptions& options, std::vector<std::string>* skipped = nullptr)
{
    Values target;
    for (const Item* item : ItemsOf(step)) {
        const std::optional<uint64_t> now = Find(drive, item->key);
        const std::optional<uint64_t> wanted = Find(file.values, item->key);
        if (!now) {
            if (wanted && Loads(*item, options) && skipped) skipped->push_back(item->key);
            continue;
        }
        target[item->key] = wanted && Loads(*item, options) ? Target(*item, *wanted, now) : *now;
    }
    // The page's rule: a drive without the x10 speed range gets register 119 = 0.
    if (step == kMotorStep && !plan.speedRangeCapable) target["motor.speed_range_x10"] = 0;
    return target;
}

// The keys whose values are not the target's. Every bit counts, a COB-ID's
// node-ID bits too: the target holds the bits the load means the drive to
// have, so a drive left with another node's CAN identifiers is found.
std::vector<std::string> Mismatched(const std::string& step, const Values& target, const Values& back)
{
    std::vector<std::string> keys;
    for (const Item* item : ItemsOf(step)) {
        const auto want = Find(target, item->key);
        const auto got = Find(back, item->key);
        if (want && got != want) keys.push_back(item->key);
    }
    return keys;
}

bool Differs(const std::string& step, const Values& target, const Values& drive)
{
    return !Mismatched(step, target, drive).empty();
}

class CLoader {
public:
    CLoader(CModbusMaster& master, uint8_t slave, const Configuration& file, const Plan& plan,
            const LoadOptions& options, const LoadHooks& hooks)
        : m_master(master), m_slave(slave), m_file(file), m_plan(plan), m_options(options), m_hooks(hooks)
    {
    }

    LoadReport Run()
    {
        LoadReport report;
        RealtimeStatus status{};
        if (m_master.ReadRealtimeStatus(m_slave, status) == kResultOk && StatusChannels::MotorRunning(status)) {
            report.refusal = Refusal::Running;
            return report;
        }
        const std::vector<std::string> steps = LoadSteps(m_options);
        for (const std::string& step : steps) {
            StepReport out;
            out.step = step;
            report.steps.push_back(std::move(out));
        }
        bool stop = false;
        for (size_t i = 0; i < steps.size() && !stop; ++i) {
            if (Stopped(m_hooks.progress)) {
                report.stopped = true;
                break;
            }
            Tell(m_hooks.progress, static_cast<int>(i), static_cast<int>(steps.size()), steps[i]);
            StepReport& out = report.steps[i];
            RunStep(out);
            stop = out.status == StepStatus::Failed;
        }
        if (!stop && !report.stopped && m_linkChanged) Relink(report);
        Tell(m_hooks.progress, static_cast<int>(steps.size()), static_cast<int>(steps.size()), "");
        return report;
    }

    // One step alone, as a page writes its group: no check of the motor's
    // state, no relink.
    void RunStep(StepReport& out)
    {
        const Values target = Compose(out.step, m_file, m_plan.driveValues, m_plan, m_options, &out.skipped);
        if (!Differs(out.step, target, m_plan.driveValues)) {
            out.status = StepStatus::Unchanged;
            return;
        }
        out.written = true;
        out.failure = Write(out.step, target);
        if (out.failure.Failed()) {
            out.status = StepStatus::Failed;
            return;
        }
        if (LinkChangingStep(out.step)) {
            // Read back once the port speaks the new settings (Relink).
            m_pending.push_back({&out, target});
            return;
        }
        Verify(out, target);
    }

private:
    void Verify(StepReport& out, const Values& target)
    {
        Values back;
        out.failure = ReadStep(m_master, m_slave, out.step, back);
        if (out.failure.Failed()) {
            out.status = StepStatus::Failed;
            return;
        }
        out.mismatched = Mismatched(out.step, target, back);
        out.status = out.mismatched.empty() ? StepStatus::Verified : StepStatus::Failed;
    }

    bool LinkChangingStep(const std::string& step) const
    {
        return m_plan.newLink && (step == "comm_address" || step == "comm");
    }

    Failure Write(const std::string& step, const Values& target)
    {
        if (const FieldRules::Group* group = RegisterGroupOf(step)) return WriteGroup(*group, target);
        if (const int n = PdoOf(step); n >= 0) return WritePdo(n, step, target);
        return WriteSync(target);
    }

    Failure WriteGroup(const FieldRules::Group& group, const Values& target)
    {
        std::vector<uint16_t> words = MakeWords(group, target);
        // The motor page sets the speed-range switch alone first; its failure
        // is not the load's, the block carries the same value.
        if (group.key == kMotorStep && m_plan.speedRangeCapable)
            (void)m_master.WriteSpeedRangeSwitch(m_slave, words[MotorParams::kSpeedRangeRegister - group.start]);
        const ModbusResult result = m_master.WriteMultipleRegisters(m_slave, group.start, words.data(), group.count);
        if (result == kResultTimeout && LinkChangingStep(group.key)) {
            // The drive may have taken the new settings before it answered;
            // reading back over the new link tells.
            m_linkChanged = true;
        } else if (result != kResultOk) {
            return FromResult(result);
        }
        if (LinkChangingStep(group.key)) m_linkChanged = true;
        if (group.key == std::string_view("comm_address") && m_plan.newLink) m_slave = m_plan.newLink->address;
        return {};
    }

    Failure WritePdo(int n, const std::string& step, const Values& target)
    {
        const std::string prefix = step + ".";
        bool commChanged = false;
        bool mappingChanged = false;
        for (const Item* item : ItemsOf(step)) {
            const auto now = Find(m_plan.driveValues, item->key);
            const auto want = Find(target, item->key);
            if (!want || (now && Same(*item, *now, *want))) continue;
            (item->index == PdoObjects::CommObject(n) ? commChanged : mappingChanged) = true;
        }
        if (commChanged) {
            PdoCommRecord record;
            record.cobId = static_cast<uint32_t>(Value(target, prefix + "cob_id"));
            record.transmissionType = static_cast<uint8_t>(Value(target, prefix + "transmission_type"));
            record.inhibitTime = static_cast<uint16_t>(Value(target, prefix + "inhibit_time"));
            record.eventTime = static_cast<uint16_t>(Value(target, prefix + "event_time"));
            const auto entries = m_plan.pdoEntries.find(n);
            const PdoObjects::Outcome outcome =
                PdoObjects::WriteCommunication(m_master, m_slave, n, record,
                                               entries == m_plan.pdoEntries.end() ? 0 : entries->second);
            if (!outcome.Ok()) return FailureOf(outcome.step);
        }
        if (mappingChanged) {
            PdoObjects::MappingEntries entries;
            for (int j = 0; j < PdoObjects::kMapEntries; ++j) {
                if (const auto value = Find(target, prefix + TextNumber::Format("mapping_%d", j + 1)))
                    entries[static_cast<size_t>(j)] = static_cast<uint32_t>(*value);
            }
            const auto count = static_cast<uint8_t>(Value(target, prefix + "mapping_count"));
            const PdoObjects::Outcome outcome = PdoObjects::WriteMapping(m_master, m_slave, n, entries, count);
            if (!outcome.Ok()) return FailureOf(outcome.step);
        }
        return {};
    }

    Failure WriteSync(const Values& target)
    {
        const SyncObjects::Values values = {static_cast<uint32_t>(Value(target, "sync.cob_id")),
                                            static_cast<uint32_t>(Value(target, "sync.cycle_period")),
                                            static_cast<uint32_t>(Value(target, "sync.window_length"))};
        const SdoStep step = SyncObjects::Write(m_master, m_slave, values);
        return step.Ok() ? Failure{} : FailureOf(step);
    }

    void Relink(LoadReport& report)
    {
        const LinkSettings& link = *m_plan.newLink;
        const bool reopened = m_hooks.relink && m_hooks.relink(link);
        if (reopened) report.newLink = link;
        m_slave = link.address;
        for (auto& [out, target] : m_pending) {
            if (!reopened) {
                out->failure = FromResult(kResultPortNotOpen);
                out->status = StepStatus::Failed;
                continue;
            }
            Verify(*out, target);
        }
    }

    CModbusMaster& m_master;
    uint8_t m_slave;
    const Configuration& m_file;
    const Plan& m_plan;
    const LoadOptions& m_options;
    const LoadHooks& m_hooks;
    bool m_linkChanged = false;
    std::vector<std::pair<StepReport*, Values>> m_pending;
};

}  // namespace

std::string FailureText(const Failure& failure)
{
    if (failure.aborted) return CModbusMaster::SdoAbortText(failure.abortCode);
    return CModbusMaster::ResultText(failure.result);
}

namespace {

ReadResult ReadAll(CModbusMaster& master, uint8_t slave, const Progress& progress, std::map<int, int32_t>* pdoEntries)
{
    ReadResult out;
    const std::vector<std::string> steps = AllSteps();
    const int total = static_cast<int>(steps.size()) + 1;
    Tell(progress, 0, total, "drive");
    DeviceInfo info{};
    out.failure = FromResult(master.ReadDeviceInfo(slave, info));
    if (out.failure.Failed()) {
        out.failedStep = "drive";
        return out;
    }
    out.config.drive = IdentityOf(info);
    for (size_t i = 0; i < steps.size(); ++i) {
        if (Stopped(progress)) {
            out.stopped = true;
            return out;
        }
        Tell(progress, static_cast<int>(i) + 1, total, steps[i]);
        out.failure = ReadStep(master, slave, steps[i], out.config.values, pdoEntries);
        if (out.failure.Failed()) {
            out.failedStep = steps[i];
            return out;
        }
    }
    Tell(progress, total, total, "");
    return out;
}

}  // namespace

ReadResult ReadConfiguration(CModbusMaster& master, uint8_t slave, const Progress& progress)
{
    return ReadAll(master, slave, progress, nullptr);
}

std::vector<Difference> Compare(const Values& first, const Values& second)
{
    std::vector<Difference> out;
    for (const Item& item : Items()) {
        const auto a = Find(first, item.key);
        const auto b = Find(second, item.key);
        if (!a && !b) continue;
        if (a && b && Same(item, *a, *b)) continue;
        out.push_back({item.key, a, b});
    }
    return out;
}

std::string UnknownGroup(const LoadOptions& options)
{
    for (const std::string& group : options.groups) {
        if (!IsGroup(group)) return group;
    }
    return {};
}

std::vector<std::string> LoadSteps(const LoadOptions& options)
{
    std::vector<std::string> steps;
    for (const std::string& step : AllSteps()) {
        if (!Selected(options, ItemsOf(step).front()->group)) continue;
        if (step == kMotorStep) {
            steps.insert(steps.begin(), step);
        } else if (!IsCommStep(step)) {
            steps.push_back(step);
        }
    }
    for (std::string_view step : kCommSteps) {
        if (Selected(options, std::string(step))) steps.emplace_back(step);
    }
    return steps;
}

Plan Prepare(CModbusMaster& master, uint8_t slave, const Configuration& file, const LoadOptions& options,
             const Progress& progress)
{
    Plan plan;
    RealtimeStatus status{};
    plan.failure = FromResult(master.ReadRealtimeStatus(slave, status));
    if (plan.failure.Failed()) {
        plan.failedStep = "status";
        return plan;
    }
    if (StatusChannels::MotorRunning(status)) plan.refusal = Refusal::Running;
    const ReadResult drive = ReadAll(master, slave, progress, &plan.pdoEntries);
    plan.failure = drive.failure;
    plan.failedStep = drive.failedStep;
    plan.stopped = drive.stopped;
    if (!drive.Ok()) return plan;
    plan.drive = drive.config.drive;
    plan.driveValues = drive.config.values;
    DeviceInfo info{};
    plan.failure = FromResult(master.ReadDeviceInfo(slave, info));
    if (plan.failure.Failed()) return plan;
    plan.speedRangeCapable = info.speedRangeCapability != 0;

    if (file.drive.identifier != plan.drive.identifier) plan.identityDiffers.push_back("identifier");
    if (file.drive.version != plan.drive.version) plan.identityDiffers.push_back("version");
    if (file.drive.model != plan.drive.model) plan.identityDiffers.push_back("model");

    for (const Item& item : Items()) {
        const auto wanted = Find(file.values, item.key);
        if (!wanted || !Selected(options, item.group)) continue;
        const auto now = Find(plan.driveValues, item.key);
        if (now && Same(item, *now, *wanted)) continue;
        Change change{item.key, now, *wanted};
        (Loads(item, options) ? plan.changes : plan.kept).push_back(change);
    }

    if (plan.refusal == Refusal::None) plan.refusal = SpeedRangeRefusal(file, plan, options);
    if (options.includeComm && Selected(options, "comm") && Selected(options, "comm_address")) {
        LinkSettings now{static_cast<uint32_t>(Value(plan.driveValues, "comm.baud_rate")),
                         static_cast<int>(Value(plan.driveValues, "comm.parity")),
                         static_cast<uint8_t>(Value(plan.driveValues, "comm.slave_address"))};
        const uint64_t address = Value(file.values, "comm.slave_address");
        LinkSettings next{static_cast<uint32_t>(Value(file.values, "comm.baud_rate")),
                          static_cast<int>(Value(file.values, "comm.parity")), static_cast<uint8_t>(address)};
        if (address < 1 || address > 247) {
            if (plan.refusal == Refusal::None) plan.refusal = Refusal::BadLinkAddress;
        } else if (!(next == now)) {
            plan.newLink = next;
        }
    }
    return plan;
}

LoadReport Load(CModbusMaster& master, uint8_t slave, const Configuration& file, const Plan& plan,
                const LoadOptions& options, const LoadHooks& hooks)
{
    if (!plan.Ok()) {
        LoadReport report;
        report.refusal = plan.refusal;
        return report;
    }
    return CLoader(master, slave, file, plan, options, hooks).Run();
}

namespace {

bool Is(const Item& item, std::string_view key) { return item.key == key; }

// What the shown unit of an item depends on, where its own step does not hold it.
Failure ReadUnits(CModbusMaster& master, uint8_t slave, const Item& item, Values& values)
{
    if (!item.field || item.field->scale == FieldRules::Scale::Fixed) return {};
    for (const std::string step : {"motor", "preset"}) {
        if (step == item.unit) continue;
        const Failure failure = ReadStep(master, slave, step, values);
        if (failure.Failed()) return failure;
    }
    return {};
}

}  // namespace

SettingRead ReadSetting(CModbusMaster& master, uint8_t slave, const Item& item)
{
    SettingRead out;
    out.failure = ReadStep(master, slave, item.unit, out.values);
    if (!out.failure.Failed()) out.failure = ReadUnits(master, slave, item, out.values);
    if (!out.failure.Failed()) out.raw = Find(out.values, item.key);
    return out;
}

SettingWrite WriteSetting(CModbusMaster& master, uint8_t slave, const Item& item, std::string_view text)
{
    SettingWrite out;
    out.step.step = item.unit;
    if (item.link) {
        out.invalid = item.key + " sets how the drive is reached: load it with a configuration and its link settings";
        return out;
    }
    Plan plan;
    Failure failure = ReadStep(master, slave, item.unit, plan.driveValues, &plan.pdoEntries);
    Values units = plan.driveValues;
    if (!failure.Failed()) failure = ReadUnits(master, slave, item, units);
    if (failure.Failed()) {
        out.step.failure = failure;
        out.step.status = StepStatus::Failed;
        return out;
    }
    const std::optional<uint64_t> raw = ParseValue(item, text, units, out.invalid);
    if (!raw) return out;
    out.raw = *raw;
    if (!Find(plan.driveValues, item.key)) {
        out.step.skipped.push_back(item.key);
        return out;
    }
    if (item.unit == kMotorStep) {
        DeviceInfo info{};
        out.step.failure = FromResult(master.ReadDeviceInfo(slave, info));
        if (out.step.failure.Failed()) {
            out.step.status = StepStatus::Failed;
            return out;
        }
        plan.speedRangeCapable = info.speedRangeCapability != 0;
        if (Is(item, "motor.speed_range_x10") && (*raw & 1) != 0 && !plan.speedRangeCapable) {
            out.refusal = Refusal::NoSpeedRangeX10;
            return out;
        }
    }
    Configuration file;
    file.values = plan.driveValues;
    file.values[item.key] = *raw;
    LoadOptions options;
    options.groups = {item.group};
    options.includeMotorIdentity = true;
    const LoadHooks hooks;
    CLoader(master, slave, file, plan, options, hooks).RunStep(out.step);
    return out;
}

RestoreRun Restore(CModbusMaster& master, uint8_t slave, const Configuration& file, const LoadOptions& options,
                   const LoadHooks& hooks, const std::function<bool(const Plan&)>& confirm, bool store)
{
    RestoreRun run;
    run.plan = Prepare(master, slave, file, options, hooks.progress);
    if (!run.plan.Ok()) return run;
    run.confirmed = confirm(run.plan);
    if (!run.confirmed || run.plan.changes.empty()) return run;
    run.report = Load(master, slave, file, run.plan, options, hooks);
    if (!store || !run.report->Complete()) return run;
    const uint8_t now = run.report->newLink ? run.report->newLink->address : slave;
    run.store = FailureOf(ParameterStore::Store(master, now));
    return run;
}

bool LoadReport::Complete() const
{
    if (refusal != Refusal::None || stopped) return false;
    return std::all_of(steps.begin(), steps.end(), [](const StepReport& s) {
        return s.status == StepStatus::Verified || s.status == StepStatus::Unchanged;
    });
}

}  // namespace Backup
