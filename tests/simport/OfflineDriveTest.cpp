// A configuration file edited with no drive: the drive inside the tool holds
// the file in its shape (RPDO entries, speed unit, identity), the tool reads
// and writes it as a drive, and the file comes back with exactly its keys.
#include <gtest/gtest.h>

#include "ConfigFile.h"
#include "DriveConfig.h"
#include "FieldGroups.h"
#include "ModbusMaster.h"
#include "OfflineDrive.h"
#include "SimulatedLine.h"
#include "SimulatedPort.h"

namespace {

// A file from a drive of the other firmware (five RPDO entries), with the
// x10 speed range and an identity of its own.
Backup::Configuration FiveEntryFile()
{
    SimulatedPort::Enable();
    const std::string source = "sim://?name=source&rpdo-entries=5";
    CModbusMaster master;
    EXPECT_TRUE(master.OpenPort(source, 9600, 0));
    SimulatedPort::Line(source)->SetRegister(FieldRules::Rule("motor.rated_current").reg, 321);
    SimulatedPort::Line(source)->SetRegister(FieldRules::Rule("motor.speed_range_x10").reg, 1);
    Backup::ReadResult read = Backup::ReadConfiguration(master, 1);
    EXPECT_TRUE(read.Ok());
    master.ClosePort();
    SimulatedPort::Forget(source);
    read.config.drive = {"0x1234", "3.07", "电机-A"};
    read.config.created = "2026-01-02T03:04:05Z";
    read.config.tool = "test";
    return read.config;
}

TEST(OfflineDrive, HoldsTheFileInItsShapeAndGivesBackExactlyItsKeys)
{
    const Backup::Configuration file = FiveEntryFile();
    ASSERT_TRUE(file.values.count("pdo.rpdo1.event_time")) << "the file has the five entries";
    std::string why;
    const std::string name = OfflineDrive::Open(file, why);
    ASSERT_FALSE(name.empty()) << why;

    CModbusMaster master;
    ASSERT_TRUE(master.OpenPort(name, 9600, 0));
    Backup::ReadResult held = Backup::ReadConfiguration(master, 1);
    ASSERT_TRUE(held.Ok());
    EXPECT_EQ(held.config.drive, file.drive) << "the identity shown is the file's";
    EXPECT_EQ(held.config.values, file.values) << "every setting, none more";

    // An edit through the drive comes back as that one change.
    ASSERT_EQ(master.WriteSingleRegister(1, FieldRules::Rule("motor.rated_current").reg, 456), kResultOk);
    held = Backup::ReadConfiguration(master, 1);
    ASSERT_TRUE(held.Ok());
    held.config.values["not.a.file.key"] = 1;  // what the file does not have stays out
    const Backup::Configuration edited = OfflineDrive::Edited(file, held.config.values);
    const auto differences = Backup::Compare(file.values, edited.values);
    ASSERT_EQ(differences.size(), 1u);
    EXPECT_EQ(differences[0].key, "motor.rated_current");
    EXPECT_EQ(differences[0].second, 456u);
    EXPECT_EQ(edited.drive, file.drive);
    EXPECT_EQ(edited.created, file.created);
    master.ClosePort();
    SimulatedPort::Forget(name);
}

TEST(OfflineDrive, AFileOfTwoEntryRpdosOpensADriveOfThatShape)
{
    Backup::Configuration file = FiveEntryFile();
    for (auto it = file.values.begin(); it != file.values.end();)
        it = it->first.rfind("pdo.rpdo", 0) == 0 && (it->first.ends_with("_time")) ? file.values.erase(it) : ++it;
    std::string why;
    const std::string name = OfflineDrive::Open(file, why);
    ASSERT_FALSE(name.empty()) << why;
    EXPECT_FALSE(SimulatedPort::Line(name)->GetObject(0x1400, 5).has_value()) << "no event time on this firmware";
    SimulatedPort::Forget(name);
}

}  // namespace
