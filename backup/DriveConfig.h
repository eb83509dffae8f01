#pragma once
// A drive's configuration against the drive: reading it whole (export and
// compare), and loading a file into it: the plan (what the drive holds,
// what would change, what stands in the way) and then the ordered write,
// one load step at a time, each read back and compared.
//
// The steps, in the order of a load: the motor parameters first (their
// speed-range switch decides the unit of every speed), the other register
// groups, the PDOs and SYNC, and last the communication groups, whose link
// settings may change how the drive is reached.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ConfigFile.h"
#include "ModbusResult.h"
#include "SdoStep.h"

class CModbusMaster;

namespace Backup {

// What a long job is told and tells: asked between steps whether to stop,
// and told each step before it runs.
struct Progress {
    std::function<bool()> stopped;
    std::function<void(int done, int total, const std::string& step)> step;
};

// How an exchange failed; nothing failed when Failed() is false.
struct Failure {
    ModbusResult result = kResultOk;  // the link's result
    bool aborted = false;             // the drive aborted an SDO transfer
    uint32_t abortCode = 0;
    uint16_t index = 0;
    uint8_t subindex = 0;
    bool Failed() const { return result != kResultOk || aborted; }
};
// The result text of the link or the drive's abort text.
std::string FailureText(const Failure& failure);
// How one SDO exchange failed, if it did.
Failure FailureOf(const SdoStep& step);

struct ReadResult {
    Configuration config;  // identity and values; `created` and `tool` left to the caller
    Failure failure;
    std::string failedStep;
    bool stopped = false;
    bool Ok() const { return !failure.Failed() && !stopped; }
};
ReadResult ReadConfiguration(CModbusMaster& master, uint8_t slave, const Progress& progress = {});

// Differences of two configurations, item by item in file order: a value
// only one side has counts as a difference.
struct Difference {
    std::string key;
    std::optional<uint64_t> first;
    std::optional<uint64_t> second;
};
std::vector<Difference> Compare(const Values& first, const Values& second);

struct LoadOptions {
    std::vector<std::string> groups;  // empty: every group
    bool includeMotorIdentity = false;
    bool includeComm = false;
};
// A group key the options name that is not a group; empty when all are.
std::string UnknownGroup(const LoadOptions& options);

// The RS-485 settings a load of the communication groups gives the drive.
struct LinkSettings {
    uint32_t baud = 0;
    int parityIndex = 0;  // as the connection combo: 0 none+2, 1 odd+1, 2 even+1, 3 none+1
    uint8_t address = 0;
    bool operator==(const LinkSettings&) const = default;
};

enum class Refusal : uint8_t {
    None,
    Running,            // the live status says the motor runs
    NoSpeedRangeX10,    // the file counts speeds in whole Hz; the drive has no x10 speed range
    SpeedRangeDiffers,  // speeds would be loaded in the other unit: load the motor group too
    BadLinkAddress,     // the file's RS-485 address is not 1 to 247
};
// Why a load was refused, as the windows and zoric-cli say it, in the
// current language; empty for None.
const char* RefusalText(Refusal refusal);

struct Change {
    std::string key;
    std::optional<uint64_t> drive;  // none: the drive does not have it
    uint64_t file = 0;
};

struct Plan {
    Failure failure;  // reading the drive failed
    std::string failedStep;
    bool stopped = false;
    Refusal refusal = Refusal::None;
    DriveIdentity drive;
    bool speedRangeCapable = false;  // device information register 14
    Values driveValues;
    std::map<int, int32_t> pdoEntries;         // PDO n: its communication object's entries
    std::vector<std::string> identityDiffers;  // "model", "version", "identifier"
    std::vector<Change> changes;               // what the load writes
    std::vector<Change> kept;                  // differences the options keep (motor identity, link)
    std::optional<LinkSettings> newLink;       // the load changes the RS-485 link to this
    bool Ok() const { return !failure.Failed() && !stopped && refusal == Refusal::None; }
};
Plan Prepare(CModbusMaster& master, uint8_t slave, const Configuration& file, const LoadOptions& options,
             const Progress& progress = {});

enum class StepStatus : uint8_t {
    Verified,   // written, read back and equal
    Unchanged,  // the drive already held the file's values: nothing written
    Failed,     // see the failure or the keys read back different
    NotDone,    // after a failure, a stop, or not selected
};

struct StepReport {
    std::string step;  // "motor", "pdo.tpdo1", "sync", ...
    StepStatus status = StepStatus::NotDone;
    bool written = false;  // a write was sent (it may have failed half-way)
    Failure failure;
    std::vector<std::string> mismatched;  // read back, not as written
    std::vector<std::string> skipped;     // in the file, but this drive does not have them
};

struct LoadReport {
    Refusal refusal = Refusal::None;  // nothing was written
    bool stopped = false;
    std::vector<StepReport> steps;        // the selected steps in load order
    std::optional<LinkSettings> newLink;  // the link was reopened with these
    bool Complete() const;                // every step verified or unchanged
};

struct LoadHooks {
    Progress progress;
    // Closes the port and opens it again with the drive's new RS-485
    // settings, after the communication groups are written; false when it
    // cannot. Runs where the load runs (the link thread of the windows).
    std::function<bool(const LinkSettings&)> relink;
};
LoadReport Load(CModbusMaster& master, uint8_t slave, const Configuration& file, const Plan& plan,
                const LoadOptions& options, const LoadHooks& hooks = {});

// A whole load as zoric-cli's restore and the scripting module run it: the
// plan; `confirm`, given the plan when nothing stands in its way (to show it
// and ask); the load, when confirmed and something would change; and, when
// `store` asks and the load completed, the store of the parameters at the
// drive's address after the load.
struct RestoreRun {
    Plan plan;
    bool confirmed = false;
    std::optional<LoadReport> report;  // the load ran
    std::optional<Failure> store;      // the store ran (it failed when Failed())
};
RestoreRun Restore(CModbusMaster& master, uint8_t slave, const Configuration& file, const LoadOptions& options,
                   const LoadHooks& hooks, const std::function<bool(const Plan&)>& confirm, bool store);

// One setting by its key, as its page reads it: its load step (a register
// group, a PDO, SYNC) read whole, with what its unit depends on.
struct SettingRead {
    Failure failure;
    std::optional<uint64_t> raw;  // none: the drive does not have it
    Values values;                // the step's values and the units' settings
};
SettingRead ReadSetting(CModbusMaster& master, uint8_t slave, const Item& item);

// One setting written as its page writes it: the step read, `text` checked
// by ParseValue against the drive's units, the step written with the new
// value (the group's other values as read) and read back. The link
// settings are refused (`invalid`): a write of them alone would lose the
// drive under the read-back.
struct SettingWrite {
    std::string invalid;              // why the text is no value of the setting: nothing sent
    Refusal refusal = Refusal::None;  // nothing written
    StepReport step;                  // skipped holds the key when the drive does not have it
    uint64_t raw = 0;                 // the value meant
    bool Ok() const
    {
        return invalid.empty() && refusal == Refusal::None && step.skipped.empty() &&
               (step.status == StepStatus::Verified || step.status == StepStatus::Unchanged);
    }
};
SettingWrite WriteSetting(CModbusMaster& master, uint8_t slave, const Item& item, std::string_view text);

// The load steps of the selected groups, in load order.
std::vector<std::string> LoadSteps(const LoadOptions& options);

}  // namespace Backup
