// zoric-cli when its port does not open (the reason after "打开串口失败")
// and when the line goes away under a command.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

#include "CliCommands.h"
#include "CliHarness.h"
#include "ModbusMaster.h"
#include "NetListener.h"
#include "cnComm.h"

namespace fs = std::filesystem;

namespace cli_test {
namespace {

using Clock = std::chrono::steady_clock;

TEST_F(Cli, AWatchWhoseDriveGoesAwayEndsAtOnceWithTheLostLineCode)
{
    Clock::time_point stopped;
    std::thread unplug([&] {
        std::this_thread::sleep_for(600ms);
        stopped = Clock::now();
        sim->Stop();  // its pty hangs up, as an unplugged adapter does
    });
    const RunResult r = Run({"status", "--watch"});
    const auto ended = Clock::now();
    unplug.join();
    EXPECT_EQ(r.exitCode, ::Cli::kExitLostLine) << r.err;
    EXPECT_LT(ended - stopped, 2s);
    EXPECT_NE(r.out.find("输出PWM"), std::string::npos) << "it watched until then";
    EXPECT_NE(r.err.find("zoric-cli: lost the port " + sim->SlavePath()), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("通讯超时"), std::string::npos) << "no time-outs are waited for";
    EXPECT_EQ(r.err.find("lost the port"), r.err.rfind("lost the port")) << "said once";
}

class CliOpenFailure : public Cli {
protected:
    void SetUp() override
    {
        Cli::SetUp();
        dir = fs::temp_directory_path() / ("zoric-cli-open-" + std::to_string(getpid()));
        fs::create_directories(dir);
        setenv("ZORIC_COM_DIR", dir.c_str(), 1);  // the spawned tool inherits it
    }
    void TearDown() override
    {
        cnComm::SetOpenFunction(nullptr);
        unsetenv("ZORIC_COM_DIR");
        fs::remove_all(dir);
        Cli::TearDown();
    }
    fs::path dir;
};

TEST_F(CliOpenFailure, EachReasonFollowsTheTextOfTheFailure)
{
    RunResult r = RunCli({"--lang", "zh", "--port", "COM9", "status"});
    EXPECT_EQ(r.exitCode, ::Cli::kExitNoPort);
    EXPECT_EQ(r.err, "打开串口失败: COM9: no such device: COM9 is /dev/ttyS8 (nothing published as " +
                         (dir / "COM9").string() + ")\n");

    fs::create_symlink(sim->SlavePath(), dir / "COM2");
    r = RunCli({"--lang", "zh", "--port", "COM2", "--baud", "12345", "status"});
    EXPECT_EQ(r.exitCode, ::Cli::kExitNoPort);
    EXPECT_EQ(r.err, "打开串口失败: COM2: settings not supported by the port: 12345,n,8,2\n");
    r = RunCli({"--lang", "en", "--port", "COM2", "--baud", "12345", "status"});
    EXPECT_EQ(r.err, "Cannot open the serial port: COM2: settings not supported by the port: 12345,n,8,2\n");

    {
        CModbusMaster holder;  // this test program holds the port
        ASSERT_TRUE(holder.OpenPort("COM2", 9600, 0));
        r = RunCli({"--lang", "zh", "--port", "COM2", "status"});
        EXPECT_EQ(r.exitCode, ::Cli::kExitNoPort);
        EXPECT_EQ(r.err.rfind("打开串口失败: COM2: in use by another program (", 0), 0u) << r.err;
        EXPECT_NE(r.err.find("pid " + std::to_string(getpid()) + ")"), std::string::npos) << r.err;
    }
    EXPECT_EQ(RunCli({"--port", "COM2", "info"}).exitCode, ::Cli::kExitOk) << "free again";
}

int DeniedOpen(const char*, int)
{
    errno = EACCES;
    return -1;
}

TEST_F(CliOpenFailure, PermissionDeniedGivesTheRemedy)
{
    // Root may open any device: the refusal is injected into the tool's own code.
    cnComm::SetOpenFunction(DeniedOpen);
    std::ostringstream out, err;
    std::atomic<bool> interrupted{false};
    EXPECT_EQ(::Cli::Run({"--lang", "zh", "--port", "/dev/ttyUSB7", "info"}, out, err, interrupted),
              ::Cli::kExitNoPort);
    EXPECT_EQ(err.str(),
              "打开串口失败: /dev/ttyUSB7: permission denied on /dev/ttyUSB7: add your user to the "
              "'dialout' group (sudo usermod -aG dialout $USER) and log in again\n");
}

}  // namespace
}  // namespace cli_test

namespace cli_test {
namespace {

TEST_F(Cli, OverTheNetworkAClosedConnectionEndsTheWatchAndARefusedOneSaysSo)
{
    zoric::sim::ListenAddress address;
    ASSERT_TRUE(zoric::sim::ParseListenAddress("tcp://127.0.0.1:0", address));
    auto gateway = std::make_unique<zoric::sim::CNetListener>(std::vector{address}, *sim);
    ASSERT_TRUE(gateway->Start()) << gateway->LastError();
    const std::string url = gateway->Urls().front();
    std::thread unplug([&] {
        std::this_thread::sleep_for(600ms);
        gateway->Stop();  // the gateway goes away: the connection is closed
    });
    RunResult r = RunCli({"--lang", "zh", "--port", url, "status", "--watch"});
    unplug.join();
    EXPECT_EQ(r.exitCode, ::Cli::kExitLostLine) << r.err;
    EXPECT_NE(r.out.find("输出PWM"), std::string::npos) << "it watched until then";
    EXPECT_NE(r.err.find("zoric-cli: lost the port " + url + ": the far end closed the connection"), std::string::npos)
        << r.err;

    // Nothing listens there any more.
    r = RunCli({"--lang", "zh", "--port", url, "info"});
    EXPECT_EQ(r.exitCode, ::Cli::kExitNoPort);
    EXPECT_EQ(r.err, "打开串口失败: " + url + ": connection refused by " + url.substr(6) + "\n");
}

TEST_F(Cli, TheDriveInsideTheToolAnswersAsTheSimulatorDoesAndBadOptionsAreNamed)
{
    // The same texts as from the drive on the pty, with no program beside.
    const RunResult onPty = RunCli({"--lang", "en", "--port", sim->SlavePath(), "info"});
    RunResult r = RunCli({"--lang", "en", "--port", "sim://", "info"});
    EXPECT_EQ(r.exitCode, ::Cli::kExitOk) << r.err;
    EXPECT_EQ(r.out, onPty.out);

    r = RunCli({"--port", "sim://?slaves=2,4", "scan", "--slaves", "1-5", "--bauds", "all"});
    EXPECT_EQ(r.exitCode, ::Cli::kExitOk) << r.err;
    EXPECT_EQ(r.out,
              "slave 2 9600 n,8,2 model ZORIC-FOC??? id 0x2408 version 2.03\n"
              "slave 4 9600 n,8,2 model ZORIC-FOC??? id 0x2408 version 2.03\n");

    r = RunCli({"--lang", "en", "--port", "sim://?slaves=300", "info"});
    EXPECT_EQ(r.exitCode, ::Cli::kExitNoPort);
    EXPECT_NE(r.err.find(
                  "Cannot open the serial port: sim://?slaves=300: an option the simulated drive does not have: "),
              std::string::npos)
        << r.err;
}

}  // namespace
}  // namespace cli_test
