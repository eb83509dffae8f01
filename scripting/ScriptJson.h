#pragma once
// The documents scripts get: zoric-cli's --json output and what the Python
// module returns are made here, so that both give the same keys and values.
// Keys are ASCII and never follow the language: the configuration files'
// keys and the CSV column names. A value with a scale or a unit is an object
// of its raw value, its value in the page's (or the panel's) unit and the
// unit; a value that is not a number is null beside its raw value. A failure
// is {"result": code, "text": ...} (an SDO abort: "abort_code"); its text
// is in the language of the messages.

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "ConfigFile.h"
#include "DeviceInfo.h"
#include "DriveConfig.h"
#include "DriveScan.h"
#include "FrameDecoder.h"
#include "LineErrors.h"
#include "ModbusResult.h"
#include "ProcedureRunner.h"
#include "RealtimeStatus.h"
#include "RecordLoop.h"

namespace ScriptJson {

using Json = nlohmann::ordered_json;

// One line of text: compact, invalid UTF-8 replaced.
std::string Text(const Json& document);

Json Error(ModbusResult result);
Json Error(const Backup::Failure& failure);
// A failure with a word of its own and a text ("refusal", "port", "file").
Json Error(const char* what, const std::string& value, const std::string& text);

Json Info(const DeviceInfo& info);
// Every channel under its column name: {"value", "raw", "unit"}.
Json Status(const RealtimeStatus& status);
// The channels' values alone, under the same names.
Json StatusValues(const RealtimeStatus& status);

// A register read: "value" by the type ("u16", "s16", "u32", "s32",
// "float"), "raw" the registers joined high word first.
Json RegisterValue(uint16_t address, const char* type, const uint16_t* registers);

// A setting: {"raw" as the file writes it, "value" as the page has it
// (Backup::ValueOf), "unit", "text" as the page shows it}; null for none.
Json Setting(const std::string& key, const std::optional<uint64_t>& raw, const Backup::Values& values);
// Differences of two configurations (first, second as Backup::Compare).
Json Differences(const std::vector<Backup::Difference>& differences, const Backup::Values& first,
                 const Backup::Values& second);
// diff: what was compared ("drive" or a file's name) and the differences.
Json Diff(const std::string& first, const std::string& second, const Backup::Values& firstValues,
          const Backup::Values& secondValues);
// backup: the file written and how many settings it holds.
Json Backup(const std::string& path, size_t settings);

// restore: what the plan would do, the load's steps, and the whole run.
Json Plan(const Backup::Plan& plan, const Backup::Configuration& file);
Json Load(const Backup::LoadReport& report);
const char* StepStatusWord(Backup::StepStatus status);
Json Restore(const Backup::RestoreRun& run, const Backup::Configuration& file);

// learn / calibrate: the outcome and the drive's results.
Json Procedure(uint16_t procedure, const ProcedureRunner::Report& report);

Json Found(const DriveScan::Found& drive);
Json Frame(const CapturedFrame& frame);
Json Counters(const FrameDecoder::CCounters& counters, const LineErrorCounts& lineErrors);
Json RecordSummary(const RecordLoop::Summary& summary);

}  // namespace ScriptJson
