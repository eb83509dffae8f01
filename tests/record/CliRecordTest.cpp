// zoric-cli record, the real program against the simulated drive: Ctrl-C
// ends it with a complete file, an unknown channel is a usage error that
// touches nothing, and a line that goes away ends it with its own exit code.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "CliCommands.h"
#include "CsvWriter.h"
#include "DriveSimulator.h"

extern char** environ;

using namespace std::chrono_literals;

namespace {

struct Outcome {
    int exitCode = -1;
    std::string err;
};

std::string FileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs zoric-cli with stderr to a file; `during` runs while it does (with
// its process id), then the program is waited for.
template <class During>
Outcome RunCli(std::vector<std::string> args, const std::string& errPath, During during)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    args.insert(args.begin(), ZORIC_CLI_PATH);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, ZORIC_CLI_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    Outcome outcome;
    if (rc != 0) return outcome;
    during(pid);
    int status = 0;
    waitpid(pid, &status, 0);
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    outcome.err = FileText(errPath);
    return outcome;
}

class CliRecord : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim = std::make_unique<zoric::sim::CDriveSimulator>();
        ASSERT_TRUE(sim->Start()) << sim->LastError();
        const auto dir = std::filesystem::temp_directory_path();
        const std::string id = std::to_string(::getpid());
        csv = (dir / ("zoric-cli-record-" + id + ".csv")).string();
        err = (dir / ("zoric-cli-record-" + id + ".err")).string();
        std::filesystem::remove(csv);
    }
    void TearDown() override
    {
        if (sim) sim->Stop();
        std::filesystem::remove(csv);
        std::filesystem::remove(err);
    }
    // Waits until the file has `rows` rows below its header.
    bool WaitForRows(size_t rows, std::chrono::milliseconds limit = 10s)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            const std::string text = FileText(csv);
            if (static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) > rows) return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }
    std::unique_ptr<zoric::sim::CDriveSimulator> sim;
    std::string csv, err;
};

TEST_F(CliRecord, CtrlCEndsWithACompleteFileAndASummary)
{
    const Outcome r =
        RunCli({"--port", sim->SlavePath(), "record", csv, "--interval", "0", "--channels", "speed_rpm,supply_v"}, err,
               [&](pid_t pid) {
                   EXPECT_TRUE(WaitForRows(5));
                   kill(pid, SIGINT);
               });
    EXPECT_EQ(r.exitCode, Cli::kExitOk) << r.err;
    const std::string text = FileText(csv);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n') << "the last row is whole";
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "time,seconds,speed_rpm,supply_v,result");
    size_t rows = 0;
    while (std::getline(lines, line)) {
        ++rows;
        EXPECT_EQ(std::count(line.begin(), line.end(), ','), 4) << line;
        EXPECT_EQ(line.back(), ',') << "no failed read: " << line;
    }
    EXPECT_GE(rows, 5u);
    EXPECT_NE(r.err.find("record: " + std::to_string(rows) + " rows (0 failed reads)"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(" rows/s"), std::string::npos) << r.err;
}

TEST_F(CliRecord, BadArgumentsAreUsageErrorsBeforeAnythingIsSent)
{
    auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--port", sim->SlavePath(), "record"});
        return RunCli(args, err, [](pid_t) {});
    };
    Outcome r = run({csv, "--channels", "speed_rpm,torque_nm"});
    EXPECT_EQ(r.exitCode, Cli::kExitUsage);
    EXPECT_NE(r.err.find("unknown channel: torque_nm"), std::string::npos) << r.err;
    EXPECT_EQ(run({csv, "--interval", "-5"}).exitCode, Cli::kExitUsage);
    EXPECT_EQ(run({csv, "--duration", "0"}).exitCode, Cli::kExitUsage);
    EXPECT_EQ(run({csv, "--duration"}).exitCode, Cli::kExitUsage);
    EXPECT_EQ(run({}).exitCode, Cli::kExitUsage);
    EXPECT_FALSE(std::filesystem::exists(csv));
    EXPECT_EQ(sim->RequestCount(), 0u);

    r = run({csv, "--duration", "0.3", "--interval", "50", "--channels", "error_state"});
    EXPECT_EQ(r.exitCode, Cli::kExitOk) << r.err;
    const std::string text = FileText(csv);
    EXPECT_EQ(text.rfind("time,seconds,error_state,result\n", 0), 0u) << text;
    const auto rows = std::count(text.begin(), text.end(), '\n') - 1;
    EXPECT_GE(rows, 1);
    EXPECT_LE(rows, 6) << "one read per 50 ms in 0.3 s";
}

TEST_F(CliRecord, ALostLineEndsWithItsExitCode)
{
    const Outcome r = RunCli({"--port", sim->SlavePath(), "record", csv, "--interval", "20"}, err, [&](pid_t) {
        EXPECT_TRUE(WaitForRows(3));
        sim->Stop();
    });
    EXPECT_EQ(r.exitCode, Cli::kExitLostLine) << r.err;
    const std::string text = FileText(csv);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    EXPECT_NE(r.err.find("the line is lost"), std::string::npos) << r.err;
}

}  // namespace
