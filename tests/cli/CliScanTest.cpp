// zoric-cli scan against two simulated drives, at 3 and 17, on one line at
// 19200 baud: exactly those are found, at that baud rate alone.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "CliHarness.h"

using namespace std::chrono_literals;
using cli_test::RunCli;

namespace {

class CliScan : public ::testing::Test {
protected:
    void SetUp() override
    {
        zoric::sim::SimOptions o;
        o.slaveAddress = 3;
        o.otherSlaves = {17};
        o.baudRate = 19200;
        sim = std::make_unique<zoric::sim::CDriveSimulator>(o);
        ASSERT_TRUE(sim->Start()) << sim->LastError();
    }
    cli_test::RunResult Scan(std::vector<std::string> args, std::chrono::milliseconds interruptAfter = 0ms)
    {
        args.insert(args.begin(), {"--port", sim->SlavePath(), "scan"});
        return RunCli(std::move(args), interruptAfter);
    }
    std::unique_ptr<zoric::sim::CDriveSimulator> sim;
};

TEST_F(CliScan, FindsExactlyTheDrivesOnTheLineAtTheirBaudRate)
{
    const auto r = Scan({"--slaves", "3-17", "--bauds", "9600,19200,38400", "--timeout", "80"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    char id[8];
    std::snprintf(id, sizeof id, "0x%04X", sim->GetRegister(0));
    const std::string tail = std::string(" model ZORIC-FOC??? id ") + id + " version ";  // model in ASCII
    const size_t second = r.out.find('\n') + 1;
    ASSERT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 2) << r.out << r.err;
    EXPECT_EQ(r.out.rfind("slave 3 19200 n,8,2" + tail, 0), 0u) << r.out;
    EXPECT_EQ(r.out.find("slave 17 19200 n,8,2" + tail, second), second) << r.out;
    EXPECT_NE(r.err.find("scan: 38400 n,8,2, 45/45 probes"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("scan: 2 found"), std::string::npos) << r.err;
}

TEST_F(CliScan, NoDriveBadRangesAndCtrlC)
{
    auto r = Scan({"--slaves", "4-6", "--bauds", "19200", "--timeout", "80"});
    EXPECT_EQ(r.exitCode, 8) << r.err;
    EXPECT_TRUE(r.out.empty());
    for (auto bad : std::vector<std::vector<std::string>>{
             {"--slaves", "0-3"}, {"--slaves", "9-3"}, {"--bauds", "fast"}, {"--parities", "4"}, {"--timeout"}})
        EXPECT_EQ(Scan(bad).exitCode, 2) << bad[0];

    // Every address at every setting would take minutes; Ctrl-C ends it
    // within one probe.
    const auto start = std::chrono::steady_clock::now();
    r = Scan({"--bauds", "all", "--parities", "all", "--timeout", "200"}, 300ms);
    EXPECT_EQ(r.exitCode, 130) << r.err;
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_NE(r.err.find("scan: interrupted"), std::string::npos) << r.err;
}

}  // namespace
