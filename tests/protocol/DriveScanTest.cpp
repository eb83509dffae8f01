// The drive scan's stepping through line settings, with the settings each
// open asks for checked by script (a pty keeps no parity, so the simulator
// answers at every parity of its baud rate).
#include <atomic>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "DriveScan.h"
#include "DriveSimulator.h"
#include "ModbusMaster.h"

namespace {

TEST(DriveScan, StepsEverySettingAndListsEachDriveOnce)
{
    zoric::sim::SimOptions o;
    o.slaveAddress = 3;
    o.otherSlaves = {4};
    o.baudRate = 19200;
    zoric::sim::CDriveSimulator sim(o);
    ASSERT_TRUE(sim.Start()) << sim.LastError();

    std::vector<std::pair<int, int>> asked;
    const DriveScan::Opener open = [&](CModbusMaster& master, int baud, int parity) {
        asked.emplace_back(baud, parity);
        if (parity == 2) return false;  // a driver that refuses this setting: skipped, not fatal
        return master.OpenPort(sim.SlavePath(), baud, parity);
    };
    DriveScan::Options options;
    options.first = 2;
    options.last = 4;
    options.bauds = {9600, 19200};
    options.parities = {0, 1, 2, 3};
    options.timeoutMs = 60;
    std::vector<std::pair<int, int>> skipped;
    int lastDone = 0, lastTotal = 0;
    DriveScan::Callbacks callbacks;
    callbacks.skipped = [&](int baud, int parity) { skipped.emplace_back(baud, parity); };
    callbacks.progress = [&](int done, int total, uint8_t, int, int) {
        EXPECT_GE(done, lastDone);
        lastDone = done;
        lastTotal = total;
    };
    CModbusMaster master;
    const DriveScan::Result result = DriveScan::Run(master, open, options, callbacks, [] { return false; });

    EXPECT_EQ(asked, (std::vector<std::pair<int, int>>{
                         {9600, 0}, {9600, 1}, {9600, 2}, {9600, 3}, {19200, 0}, {19200, 1}, {19200, 2}, {19200, 3}}));
    EXPECT_EQ(skipped, (std::vector<std::pair<int, int>>{{9600, 2}, {19200, 2}}));
    ASSERT_EQ(result.drives.size(), 2u);
    EXPECT_EQ(result.drives[0].slave, 3);
    EXPECT_EQ(result.drives[1].slave, 4);
    for (const auto& drive : result.drives) {
        EXPECT_EQ(drive.baud, 19200);
        EXPECT_EQ(drive.parity, 0);  // the first setting it answered at
    }
    EXPECT_EQ(lastDone, lastTotal);
    EXPECT_EQ(lastTotal, 3 * 8);
    EXPECT_FALSE(result.portFailed);
    EXPECT_FALSE(master.IsPortOpen());
}

}  // namespace
