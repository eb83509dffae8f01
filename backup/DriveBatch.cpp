#include "DriveBatch.h"

#include <algorithm>

#include "ModbusMaster.h"
#include "ParameterStore.h"

namespace Backup {

LoadOptions SeveralDrivesOptions(LoadOptions options)
{
    options.includeComm = false;
    return options;
}

std::vector<BatchDrive> BatchDrives(const std::vector<uint8_t>& slaves, const std::vector<uint8_t>& otherLine)
{
    std::vector<BatchDrive> drives;
    for (const uint8_t slave : slaves) {
        BatchDrive drive;
        drive.slave = slave;
        drive.otherLine = std::find(otherLine.begin(), otherLine.end(), slave) != otherLine.end();
        drives.push_back(std::move(drive));
    }
    return drives;
}

void PlanDrive(CModbusMaster& master, BatchDrive& drive, const Configuration& file, const BatchOptions& options,
               const Progress& progress)
{
    if (drive.otherLine) return;
    drive.plan = Prepare(master, drive.slave, file, SeveralDrivesOptions(options.load), progress);
}

bool ToLoad(const BatchDrive& drive)
{
    return !drive.otherLine && drive.plan && drive.plan->Ok() && !drive.plan->changes.empty();
}

bool FromAnotherDrive(const std::vector<BatchDrive>& drives)
{
    return std::any_of(drives.begin(), drives.end(),
                       [](const BatchDrive& d) { return ToLoad(d) && !d.plan->identityDiffers.empty(); });
}

size_t BatchChanges(const std::vector<BatchDrive>& drives)
{
    size_t changes = 0;
    for (const BatchDrive& d : drives) changes += ToLoad(d) ? d.plan->changes.size() : 0;
    return changes;
}

void LoadDrive(CModbusMaster& master, BatchDrive& drive, const Configuration& file, const BatchOptions& options,
               const Progress& progress)
{
    if (!ToLoad(drive)) return;
    LoadHooks hooks;  // no relink: the link settings are never loaded here
    hooks.progress = progress;
    drive.report = Load(master, drive.slave, file, *drive.plan, SeveralDrivesOptions(options.load), hooks);
    if (options.store) StoreDrive(master, drive);
}

void StoreDrive(CModbusMaster& master, BatchDrive& drive)
{
    if (drive.report && drive.report->Complete()) drive.store = FailureOf(ParameterStore::Store(master, drive.slave));
}

const StepReport* FailedStep(const BatchDrive& drive)
{
    if (!drive.report) return nullptr;
    for (const StepReport& step : drive.report->steps) {
        if (step.status == StepStatus::Failed) return &step;
    }
    return nullptr;
}

BatchOutcome OutcomeOf(const BatchDrive& drive)
{
    if (drive.otherLine) return BatchOutcome::OtherLine;
    if (!drive.plan || drive.plan->stopped) return BatchOutcome::NotLoaded;
    if (drive.plan->failure.Failed()) return BatchOutcome::ReadFailed;
    if (drive.plan->refusal != Refusal::None) return BatchOutcome::Refused;
    if (drive.plan->changes.empty()) return BatchOutcome::Unchanged;
    if (!drive.report) return BatchOutcome::NotLoaded;
    if (drive.report->refusal != Refusal::None) return BatchOutcome::Refused;
    // A load cancelled half-way is not complete: what it wrote stays, the rest is the drive's.
    if (!drive.report->Complete()) return BatchOutcome::Failed;
    if (drive.store && drive.store->Failed()) return BatchOutcome::StoreFailed;
    return BatchOutcome::Verified;
}

bool IsFailure(BatchOutcome outcome)
{
    switch (outcome) {
    case BatchOutcome::ReadFailed:
    case BatchOutcome::Refused:
    case BatchOutcome::Failed:
    case BatchOutcome::StoreFailed: return true;
    case BatchOutcome::NotLoaded:
    case BatchOutcome::OtherLine:
    case BatchOutcome::Unchanged:
    case BatchOutcome::Verified: break;
    }
    return false;
}

bool BatchStops(const BatchDrive& drive, const BatchOptions& options)
{
    if (drive.report && drive.report->stopped) return true;  // cancelled: the rest are not loaded
    return options.stopAtFailure && drive.report && IsFailure(OutcomeOf(drive));
}

}  // namespace Backup
