#include "ScriptJson.h"

#include <bit>
#include <cmath>
#include <cstring>

#include "CsvWriter.h"
#include "ModbusMaster.h"
#include "StatusChannels.h"
#include "StatusFormat.h"

namespace ScriptJson {
namespace {

// The panel's digits as a number: whole where it shows no decimals, else the
// double nearest the decimal it shows.
Json Number(double value, int decimals)
{
    if (!std::isfinite(value)) return nullptr;
    if (decimals <= 0) return static_cast<int64_t>(std::llround(value));
    double scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    return static_cast<double>(std::llround(value * scale)) / scale;
}

Json Quantity(Json value, int64_t raw, const char* unit)
{
    Json q = {{"value", std::move(value)}, {"raw", raw}};
    if (unit && *unit) q["unit"] = unit;
    return q;
}

Json FromTyped(const Backup::TypedValue& typed)
{
    if (const auto* i = std::get_if<int64_t>(&typed)) return *i;
    if (const auto* d = std::get_if<double>(&typed)) return *d;
    if (const auto* s = std::get_if<std::string>(&typed)) return *s;
    return nullptr;
}

Json Link(const Backup::LinkSettings& link)
{
    return {{"baud", link.baud}, {"parity", DriveScan::ParityText(link.parityIndex)}, {"address", link.address}};
}

Json Change(const Backup::Change& change, const Backup::Plan& plan, const Backup::Configuration& file)
{
    return {{"key", change.key},
            {"drive", Setting(change.key, change.drive, plan.driveValues)},
            {"file", Setting(change.key, change.file, file.values)}};
}

}  // namespace

std::string Text(const Json& document) { return document.dump(-1, ' ', false, Json::error_handler_t::replace); }

Json Error(ModbusResult result) { return {{"result", result}, {"text", CModbusMaster::ResultText(result)}}; }

Json Error(const Backup::Failure& failure)
{
    if (!failure.aborted) return Error(failure.result);
    return {{"abort_code", failure.abortCode},
            {"index", failure.index},
            {"subindex", failure.subindex},
            {"text", Backup::FailureText(failure)}};
}

Json Error(const char* what, const std::string& value, const std::string& text)
{
    return {{what, value}, {"text", text}};
}

Json Info(const DeviceInfo& info)
{
    const StatusFormat::DeviceInfoTexts t = StatusFormat::FormatDeviceInfo(info);
    return {{"identifier", t.identifier},
            {"version", t.version},
            {"model", t.model},
            {"pwm_resolution", info.pwmResolution},
            {"pwm_frequency", Quantity(info.pwmFrequency, info.pwmFrequency, "Hz")},
            {"max_current", Quantity(Number(info.maxCurrent * 0.01, 2), info.maxCurrent, "A")},
            {"current_resolution", Quantity(info.currentResolution, info.currentResolution, "mA")},
            {"speed_range_x10", info.speedRangeCapability != 0}};
}

Json Status(const RealtimeStatus& status)
{
    Json channels = Json::object();
    for (const StatusChannels::Channel c : StatusChannels::All()) {
        const std::optional<double> value = StatusChannels::Value(c, status);
        channels[StatusChannels::ColumnName(c)] =
            Quantity(value ? Number(*value, StatusChannels::Decimals(c, status)) : Json(nullptr),
                     StatusChannels::Raw(c, status), StatusChannels::AsciiUnit(c));
    }
    return channels;
}

Json StatusValues(const RealtimeStatus& status)
{
    const Json channels = Status(status);
    Json values = Json::object();
    for (const auto& [column, quantity] : channels.items()) values[column] = quantity.at("value");
    return values;
}

Json RegisterValue(uint16_t address, const char* type, const uint16_t* registers)
{
    const bool wide = std::strcmp(type, "u32") == 0 || std::strcmp(type, "s32") == 0 || std::strcmp(type, "float") == 0;
    const uint32_t raw = wide ? static_cast<uint32_t>(registers[0]) << 16 | registers[1] : registers[0];
    Json value;
    if (std::strcmp(type, "s16") == 0) value = static_cast<int16_t>(raw);
    else if (std::strcmp(type, "s32") == 0) value = static_cast<int32_t>(raw);
    else if (std::strcmp(type, "float") == 0) {
        const float f = std::bit_cast<float>(raw);
        value = std::isfinite(f) ? Json(static_cast<double>(f)) : Json(nullptr);
    } else value = raw;
    return {{"address", address}, {"value", std::move(value)}, {"raw", raw}};
}

Json Setting(const std::string& key, const std::optional<uint64_t>& raw, const Backup::Values& values)
{
    const Backup::Item* item = Backup::FindItem(key);
    if (!raw || !item) return nullptr;
    Json setting = {{"raw", Json::parse(Backup::RawText(*item, *raw))},
                    {"value", FromTyped(Backup::ValueOf(*item, *raw, values))}};
    if (const std::string unit = Backup::UnitOf(*item, values); !unit.empty()) setting["unit"] = unit;
    setting["text"] = Backup::Shown(*item, *raw, values);
    return setting;
}

Json Differences(const std::vector<Backup::Difference>& differences, const Backup::Values& first,
                 const Backup::Values& second)
{
    Json list = Json::array();
    for (const Backup::Difference& d : differences)
        list.push_back(
            {{"key", d.key}, {"first", Setting(d.key, d.first, first)}, {"second", Setting(d.key, d.second, second)}});
    return list;
}

Json Diff(const std::string& first, const std::string& second, const Backup::Values& firstValues,
          const Backup::Values& secondValues)
{
    const std::vector<Backup::Difference> differences = Backup::Compare(firstValues, secondValues);
    return {{"first", first},
            {"second", second},
            {"equal", differences.empty()},
            {"differences", Differences(differences, firstValues, secondValues)}};
}

Json Backup(const std::string& path, size_t settings) { return {{"file", path}, {"settings", settings}}; }

Json Plan(const Backup::Plan& plan, const Backup::Configuration& file)
{
    Json out = {{"identity_differs", plan.identityDiffers}, {"changes", Json::array()}, {"kept", Json::array()}};
    for (const Backup::Change& change : plan.changes) out["changes"].push_back(Change(change, plan, file));
    for (const Backup::Change& change : plan.kept) {
        Json kept = Change(change, plan, file);
        kept["because"] = Backup::FindItem(change.key)->motorIdentity ? "motor_identity" : "link";
        out["kept"].push_back(std::move(kept));
    }
    if (plan.newLink) out["new_link"] = Link(*plan.newLink);
    return out;
}

const char* StepStatusWord(Backup::StepStatus status)
{
    switch (status) {
    case Backup::StepStatus::Verified: return "verified";
    case Backup::StepStatus::Unchanged: return "unchanged";
    case Backup::StepStatus::Failed: return "failed";
    case Backup::StepStatus::NotDone: break;
    }
    return "not_done";
}

Json Load(const Backup::LoadReport& report)
{
    Json steps = Json::array();
    for (const Backup::StepReport& step : report.steps) {
        Json s = {{"step", step.step}, {"status", StepStatusWord(step.status)}};
        if (step.status == Backup::StepStatus::Failed) {
            if (step.failure.Failed()) s["error"] = Error(step.failure);
            else s["mismatched"] = step.mismatched;
        }
        if (!step.skipped.empty()) s["skipped"] = step.skipped;
        steps.push_back(std::move(s));
    }
    Json out = {{"steps", std::move(steps)}, {"complete", report.Complete()}, {"stopped", report.stopped}};
    if (report.newLink) out["new_link"] = Link(*report.newLink);
    return out;
}

Json Restore(const Backup::RestoreRun& run, const Backup::Configuration& file)
{
    const Backup::Plan& plan = run.plan;
    if (plan.failure.Failed()) {
        Json error = Error(plan.failure);
        error["step"] = plan.failedStep.empty() ? std::string("drive") : plan.failedStep;
        return {{"error", std::move(error)}};
    }
    if (plan.stopped) return {{"error", Error("stopped", "reading", "interrupted: nothing written")}};
    Json out;
    const Backup::Refusal refusal = run.report ? run.report->refusal : plan.refusal;
    if (refusal != Backup::Refusal::None) {
        static constexpr const char* kWords[] = {"none", "running", "no_speed_range_x10", "speed_range_differs",
                                                 "bad_link_address"};
        out["error"] = Error("refusal", kWords[static_cast<int>(refusal)], Backup::RefusalText(refusal));
        if (!run.report) return out;
    }
    out["plan"] = Plan(plan, file);
    if (run.report && refusal == Backup::Refusal::None) out["load"] = Load(*run.report);
    else out["load"] = nullptr;
    if (run.store) {
        out["stored"] = !run.store->Failed();
        if (run.store->Failed()) out["store_error"] = Error(*run.store);
    } else {
        out["stored"] = false;
    }
    return out;
}

Json Procedure(uint16_t procedure, const ProcedureRunner::Report& report)
{
    static constexpr const char* kWords[] = {"done", "failed", "aborted", "poll_failed", "stopped"};
    Json out = {{"procedure", procedure == ProcedureBlock::kMotorLearning ? "learn" : "calibrate"},
                {"outcome", kWords[static_cast<int>(report.outcome)]}};
    if (const char* text = ProcedureRunner::OutcomeText(procedure, report.outcome)) out["text"] = text;
    const uint16_t* w = report.last.words;
    if (report.outcome == ProcedureRunner::Outcome::Done) {
        if (procedure == ProcedureBlock::kMotorLearning) {
            Json bytes = Json::array();
            for (int i = 5; i <= 10; ++i) bytes.push_back(w[i] & 0xFF);
            out["phase_sequence"] = std::move(bytes);
        } else {
            out["phase_offset"] = static_cast<int16_t>(w[5]);
            out["phase_advance"] = static_cast<int16_t>(w[6]);
        }
    }
    if (report.outcome == ProcedureRunner::Outcome::PollFailed) out["error"] = Error(report.result);
    if (report.stopResult != kResultOk) out["stop_error"] = Error(report.stopResult);
    return out;
}

Json Found(const DriveScan::Found& drive)
{
    return {{"slave", drive.slave},
            {"baud", drive.baud},
            {"parity", DriveScan::ParityText(drive.parity)},
            {"model", drive.model},
            {"identifier", drive.identifier},
            {"version", drive.version}};
}

Json Frame(const CapturedFrame& frame)
{
    Json out = {{"time", CCsvWriter::IsoTime(frame.wallTime)}, {"direction", FrameDecoder::Direction(frame)},
                {"kind", FrameDecoder::KindName(frame.kind)},  {"slave", frame.slave},
                {"bytes", FrameDecoder::Hex(frame.bytes)},     {"summary", FrameDecoder::Describe(frame)}};
    if (frame.kind == FrameKind::Answer || frame.kind == FrameKind::Timeout) {
        out["result"] = frame.result;
        out["result_text"] = FrameDecoder::ResultText(frame.result);
    }
    if (frame.kind == FrameKind::Answer) out["round_trip_ms"] = static_cast<double>(frame.roundTrip.count()) / 1000.0;
    return out;
}

Json Counters(const FrameDecoder::CCounters& counters, const LineErrorCounts& e)
{
    Json slaves = Json::array();
    for (const auto& [slave, c] : counters.PerSlave())
        slaves.push_back({{"slave", slave},
                          {"requests", c.requests},
                          {"answers", c.answers},
                          {"timeouts", c.timeouts},
                          {"crc_errors", c.crcErrors},
                          {"exceptions", c.exceptions},
                          {"wrong_slave", c.wrongSlave},
                          {"late", c.late}});
    return {{"slaves", std::move(slaves)},
            {"line_errors",
             {{"framing", e.framing}, {"parity", e.parity}, {"overrun", e.overrun}, {"break", e.breaks}}}};
}

Json RecordSummary(const RecordLoop::Summary& s)
{
    static constexpr const char* kEnds[] = {"interrupted", "duration", "line_lost", "write_failed"};
    Json out = {{"rows", s.rows},
                {"failed_reads", s.failedReads},
                {"skipped_periods", s.skippedPeriods},
                {"seconds", Number(s.seconds, 3)},
                {"rows_per_second", Number(s.RowsPerSecond(), 1)},
                {"end", kEnds[static_cast<int>(s.end)]}};
    if (s.end == RecordLoop::End::LineLost) out["error"] = Error(s.lastFailure);
    return out;
}

}  // namespace ScriptJson
