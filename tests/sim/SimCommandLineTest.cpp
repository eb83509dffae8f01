#include <gtest/gtest.h>

#include "SimCommandLine.h"

using namespace zoric::sim;

namespace {

SimCommandLine Parse(std::vector<const char*> args)
{
    args.insert(args.begin(), "zoric-sim");
    return ParseSimCommandLine(static_cast<int>(args.size()), args.data());
}

}  // namespace

TEST(SimCommandLine, TakesLineSettingsAndFaults)
{
    const auto cl = Parse({"--port",         "COM3",   "--slave",      "17",      "--baud",  "19200",
                           "--parity",       "e",      "--time-scale", "0.05",    "--fault", "bad-crc=0.25",
                           "--fault-next",   "late=3", "--unlearned",  "--state", "/tmp/x",  "--apply-link-settings",
                           "--rpdo-entries", "5"});
    ASSERT_TRUE(cl.error.empty()) << cl.error;
    EXPECT_EQ(cl.port, "COM3");
    EXPECT_EQ(cl.options.slaveAddress, 17);
    EXPECT_EQ(cl.options.baudRate, 19200u);
    EXPECT_EQ(cl.options.parity, 'E');
    EXPECT_EQ(cl.options.stopBits, 1);
    EXPECT_DOUBLE_EQ(cl.options.timeScale, 0.05);
    EXPECT_DOUBLE_EQ(cl.options.faultProbability[static_cast<int>(SimFault::BadCrc)], 0.25);
    EXPECT_EQ(cl.options.faultNext[static_cast<int>(SimFault::LateAnswer)], 3u);
    EXPECT_TRUE(cl.options.startUnlearned);
    EXPECT_EQ(cl.options.stateFile, "/tmp/x");
    EXPECT_TRUE(cl.options.applyLinkSettings);
    EXPECT_FALSE(Parse({}).options.applyLinkSettings);
    EXPECT_EQ(cl.options.rpdoCommEntries, 5);
    EXPECT_EQ(Parse({}).options.rpdoCommEntries, 2);
    // The tool's parity index 3 is "none, one stop bit".
    const auto n1 = Parse({"--parity", "3"});
    EXPECT_EQ(n1.options.parity, 'N');
    EXPECT_EQ(n1.options.stopBits, 1);
    EXPECT_EQ(ParityIndex('N', 1), 3);
    // A list of addresses: the first drive and the others on its line.
    const auto two = Parse({"--slave", "3,17"});
    ASSERT_TRUE(two.error.empty()) << two.error;
    EXPECT_EQ(two.options.slaveAddress, 3);
    EXPECT_EQ(two.options.otherSlaves, std::vector<std::uint8_t>{17});
    EXPECT_TRUE(Parse({"--slave", "5"}).options.otherSlaves.empty());
}

TEST(SimCommandLine, FaultsOfOneDriveNameItsAddress)
{
    const auto cl =
        Parse({"--slave", "1,3,5", "--fault", "no-answer@3=1", "--fault-next", "bad-crc@5=2", "--fault", "late=0.5"});
    ASSERT_TRUE(cl.error.empty()) << cl.error;
    ASSERT_EQ(cl.options.driveFaults.size(), 2u);
    const DriveFault& silent = cl.options.driveFaults[0];
    EXPECT_EQ(silent.slave, 3);
    EXPECT_EQ(silent.fault, SimFault::NoAnswer);
    EXPECT_FALSE(silent.next);
    EXPECT_DOUBLE_EQ(silent.probability, 1.0);
    const DriveFault& spoiled = cl.options.driveFaults[1];
    EXPECT_EQ(spoiled.slave, 5);
    EXPECT_EQ(spoiled.fault, SimFault::BadCrc);
    EXPECT_TRUE(spoiled.next);
    EXPECT_EQ(spoiled.count, 2u);
    // Without a slave the fault stays the whole line's.
    EXPECT_DOUBLE_EQ(cl.options.faultProbability[static_cast<int>(SimFault::LateAnswer)], 0.5);
    EXPECT_EQ(cl.options.faultProbability[static_cast<int>(SimFault::NoAnswer)], 0.0);

    for (auto args : std::vector<std::vector<const char*>>{{"--fault", "no-answer@0=1"},
                                                           {"--fault", "no-answer@248=1"},
                                                           {"--fault", "no-answer@=1"},
                                                           {"--fault", "no-answer@3=1.5"},
                                                           {"--fault-next", "late@x=1"},
                                                           {"--slave", "1,3", "--fault", "no-answer@5=1"},
                                                           {"--fault", "no-answer@5=1", "--slave", "3"}})
        EXPECT_FALSE(Parse(args).error.empty()) << args[1];
    EXPECT_TRUE(Parse({"--fault", "no-answer@5=1", "--slave", "5"}).error.empty());
}

TEST(SimCommandLine, RejectsUnusableArguments)
{
    for (auto args : std::vector<std::vector<const char*>>{{"--slave", "0"},
                                                           {"--slave", "248"},
                                                           {"--slave"},
                                                           {"--slave", "3,3"},
                                                           {"--slave", "3,"},
                                                           {"--slave", "3,248"},
                                                           {"--port", "../etc/x"},
                                                           {"--time-scale", "0"},
                                                           {"--fault", "bad-crc"},
                                                           {"--fault", "smoke=0.5"},
                                                           {"--fault-next", "late=-1"},
                                                           {"--parity", "x"},
                                                           {"--rpdo-entries", "3"},
                                                           {"--bogus"}})
        EXPECT_FALSE(Parse(args).error.empty()) << args[0];
    EXPECT_TRUE(Parse({"--help"}).help);
}
