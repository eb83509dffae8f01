// One file into several drives of a line (1, 3 and 5): each drive planned
// and loaded on its own plan, the link settings never among the changes, a
// failing drive reported with its step while the others go on, unless the
// batch stops at the first failure.
#include <gtest/gtest.h>

#include <memory>

#include "DriveBatch.h"
#include "DriveSimulator.h"
#include "ModbusMaster.h"

using zoric::sim::CDriveSimulator;
using zoric::sim::SimFault;
using namespace Backup;

namespace {

constexpr uint16_t kRatedCurrent = 106;  // motor.rated_current
constexpr uint16_t kSlaveAddress = 156;  // comm.slave_address

class DriveBatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        zoric::sim::SimOptions o;
        o.otherSlaves = {3, 5};
        sim = std::make_unique<CDriveSimulator>(o);
        ASSERT_TRUE(sim->Start()) << sim->LastError();
        ASSERT_TRUE(master.OpenPort(sim->SlavePath(), 9600, 0));
        const ReadResult read = ReadConfiguration(master, 1);
        ASSERT_TRUE(read.Ok());
        file = read.config;
        file.values["motor.rated_current"] = sim->GetRegisterOf(1, kRatedCurrent) + 9u;
        file.values["comm.slave_address"] = 9;  // would make every drive 9
        options.load.includeComm = true;        // and is not taken all the same
    }

    std::vector<BatchDrive> PlanAll(const std::vector<uint8_t>& otherLine = {})
    {
        std::vector<BatchDrive> drives = BatchDrives({1, 3, 5}, otherLine);
        for (BatchDrive& d : drives) PlanDrive(master, d, file, options);
        return drives;
    }
    // The loads as the window and zoric-cli run them.
    void LoadAll(std::vector<BatchDrive>& drives)
    {
        for (BatchDrive& d : drives) {
            if (!ToLoad(d)) continue;
            LoadDrive(master, d, file, options);
            if (BatchStops(d, options)) break;
        }
    }

    std::unique_ptr<CDriveSimulator> sim;
    CModbusMaster master;
    Configuration file;
    BatchOptions options;
};

TEST_F(DriveBatchTest, EachDriveIsLoadedByItsOwnPlanAndTheLinkSettingsStay)
{
    sim->SetRegisterOf(5, kRatedCurrent, static_cast<uint16_t>(file.values["motor.rated_current"]));
    std::vector<BatchDrive> drives = PlanAll();
    ASSERT_EQ(drives.size(), 3u);
    for (const BatchDrive& d : drives) {
        ASSERT_TRUE(d.plan && d.plan->Ok());
        for (const Change& c : d.plan->changes) EXPECT_NE(c.key.rfind("comm", 0), 0u) << c.key;
        EXPECT_FALSE(d.plan->newLink);
    }
    EXPECT_EQ(drives[0].plan->changes.size(), 1u);
    EXPECT_TRUE(ToLoad(drives[1]));
    EXPECT_FALSE(ToLoad(drives[2])) << "5 holds the file's value already";
    EXPECT_EQ(BatchChanges(drives), 2u);
    EXPECT_FALSE(FromAnotherDrive(drives)) << "one drive's file on drives of its kind";

    LoadAll(drives);
    EXPECT_EQ(OutcomeOf(drives[0]), BatchOutcome::Verified);
    EXPECT_EQ(OutcomeOf(drives[1]), BatchOutcome::Verified);
    EXPECT_EQ(OutcomeOf(drives[2]), BatchOutcome::Unchanged);
    for (const uint8_t slave : std::vector<uint8_t>{1, 3, 5}) {
        EXPECT_EQ(sim->GetRegisterOf(slave, kRatedCurrent), file.values["motor.rated_current"]) << int{slave};
        EXPECT_EQ(sim->GetRegisterOf(slave, kSlaveAddress), slave) << "its address is its own";
    }
}

TEST_F(DriveBatchTest, AFailingDriveIsReportedWithItsStepAndTheOthersGoOnUnlessTheBatchStops)
{
    std::vector<BatchDrive> drives = PlanAll();
    sim->SetFaultProbability(SimFault::Exception, 1.0, 3);  // fails once the loads begin
    LoadAll(drives);
    EXPECT_EQ(OutcomeOf(drives[0]), BatchOutcome::Verified);
    ASSERT_EQ(OutcomeOf(drives[1]), BatchOutcome::Failed);
    const StepReport* step = FailedStep(drives[1]);
    ASSERT_NE(step, nullptr);
    EXPECT_EQ(step->step, "motor");
    EXPECT_EQ(step->failure.result, 4u) << "the drive's exception, slave device failure";
    EXPECT_EQ(OutcomeOf(drives[2]), BatchOutcome::Verified) << "5 after the failed one";
    EXPECT_TRUE(IsFailure(OutcomeOf(drives[1])));

    // Again, stopping at the first failure: 5 is not loaded.
    sim->ClearFaults();
    file.values["motor.rated_current"] += 1;
    options.stopAtFailure = true;
    drives = PlanAll();
    sim->SetFaultProbability(SimFault::Exception, 1.0, 3);
    const uint16_t before = sim->GetRegisterOf(5, kRatedCurrent);
    LoadAll(drives);
    EXPECT_EQ(OutcomeOf(drives[0]), BatchOutcome::Verified);
    EXPECT_EQ(OutcomeOf(drives[1]), BatchOutcome::Failed);
    EXPECT_EQ(OutcomeOf(drives[2]), BatchOutcome::NotLoaded);
    EXPECT_FALSE(IsFailure(OutcomeOf(drives[2])));
    EXPECT_EQ(sim->GetRegisterOf(5, kRatedCurrent), before);
}

TEST_F(DriveBatchTest, ADriveThatCannotBeReadOrIsOnAnotherLineIsNotLoaded)
{
    sim->SetFaultProbability(SimFault::NoAnswer, 1.0, 3);
    const uint64_t asked = sim->RequestCount();
    std::vector<BatchDrive> drives = PlanAll({5});
    EXPECT_EQ(OutcomeOf(drives[1]), BatchOutcome::ReadFailed);
    EXPECT_EQ(drives[1].plan->failure.result, kResultTimeout);
    EXPECT_FALSE(ToLoad(drives[1]));
    EXPECT_EQ(OutcomeOf(drives[2]), BatchOutcome::OtherLine);
    EXPECT_FALSE(drives[2].plan) << "never asked";
    EXPECT_GT(sim->RequestCount(), asked);
    LoadAll(drives);
    EXPECT_EQ(OutcomeOf(drives[0]), BatchOutcome::Verified);
    EXPECT_FALSE(drives[1].report);
    EXPECT_FALSE(IsFailure(OutcomeOf(drives[2])));
}

}  // namespace
