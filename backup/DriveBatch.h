#pragma once
// One configuration file into several drives of one line, as the bus
// overview's "载入配置到所选驱动器" and zoric-cli's restore --slaves run it:
// every drive planned first (nothing written), then, once the user has seen
// the changes, the drives loaded one after another, each with its own plan,
// and a report per drive. The communication settings are never loaded into
// several drives: their addresses would collide. A drive that fails does not
// stop the others unless the batch is told to stop at the first failure.
//
// The steps are per drive so that a window can run each drive as a job of
// its own on the link, letting the main window's poll in between.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "DriveConfig.h"

namespace Backup {

struct BatchOptions {
    LoadOptions load;            // includeComm is never taken
    bool stopAtFailure = false;  // a drive whose load fails stops the ones after it
    bool store = false;          // a drive whose load completed stores its parameters
};

// The load options of a batch: the file's communication settings stay out.
LoadOptions SeveralDrivesOptions(LoadOptions options);

struct BatchDrive {
    uint8_t slave = 0;
    bool otherLine = false;            // found at other line settings: neither read nor loaded
    std::optional<Plan> plan;          // planned
    std::optional<LoadReport> report;  // the load ran
    std::optional<Failure> store;      // the store ran (it failed when Failed())
};

enum class BatchOutcome : uint8_t {
    NotLoaded,    // not reached: cancelled, the line lost, not confirmed, or an earlier failure stopped it
    OtherLine,    // at other line settings than the link's
    ReadFailed,   // its plan could not read it
    Refused,      // something stands in the way (the motor runs, the speed unit...)
    Unchanged,    // it holds the file's settings already
    Verified,     // written, read back and equal (and stored when asked)
    Failed,       // a load step failed; see FailedStep
    StoreFailed,  // loaded and verified, the store failed
};
BatchOutcome OutcomeOf(const BatchDrive& drive);
bool IsFailure(BatchOutcome outcome);
// The first step of its load that failed, nullptr when none did.
const StepReport* FailedStep(const BatchDrive& drive);

// The drives of `slaves` in order, those in `otherLine` marked so.
std::vector<BatchDrive> BatchDrives(const std::vector<uint8_t>& slaves, const std::vector<uint8_t>& otherLine = {});

// Reads one drive's plan (a drive at other line settings is left alone).
void PlanDrive(CModbusMaster& master, BatchDrive& drive, const Configuration& file, const BatchOptions& options,
               const Progress& progress = {});
// Planned, nothing in the way and something to write.
bool ToLoad(const BatchDrive& drive);
// Whether any planned drive says the file comes from another drive: the
// question is asked once for the batch.
bool FromAnotherDrive(const std::vector<BatchDrive>& drives);
// The changes the batch would write, over every drive to load.
size_t BatchChanges(const std::vector<BatchDrive>& drives);

// Loads one drive by its plan and, when asked and complete, stores its
// parameters. Does nothing for a drive that is not to load.
void LoadDrive(CModbusMaster& master, BatchDrive& drive, const Configuration& file, const BatchOptions& options,
               const Progress& progress = {});
// Stores the parameters of a drive whose load completed; nothing for the others.
void StoreDrive(CModbusMaster& master, BatchDrive& drive);
// After `drive` was loaded: whether the batch ends there.
bool BatchStops(const BatchDrive& drive, const BatchOptions& options);

}  // namespace Backup
