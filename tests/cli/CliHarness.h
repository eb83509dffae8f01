#pragma once
// Runs the real zoric-cli against a simulated drive: its output, its error
// text and its exit code. Its standard input is /dev/null, or a terminal
// on which the given answer is typed. The messages are in the language of
// the environment unless a test chooses: the fixture's Run() compares the
// drive's texts in Chinese and passes --lang zh.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "DriveSimulator.h"

extern char** environ;

namespace cli_test {

using namespace std::chrono_literals;

struct RunResult {
    int exitCode = -1;
    std::string out, err;
};

// Changes to the environment of one run: a variable's new value, or none
// to remove it.
using EnvChanges = std::vector<std::pair<std::string, std::optional<std::string>>>;

inline std::vector<std::string> ChangedEnvironment(const EnvChanges& changes)
{
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        bool changed = false;
        for (const auto& change : changes) changed = changed || change.first == name;
        if (!changed) env.push_back(entry);
    }
    for (const auto& [name, value] : changes)
        if (value) env.push_back(name + "=" + *value);
    return env;
}

// `interruptAfter` sends SIGINT after that long; `typed` makes standard
// input a terminal with that text typed on it.
inline RunResult RunCli(std::vector<std::string> args, std::chrono::milliseconds interruptAfter = 0ms,
                        const std::optional<std::string>& typed = std::nullopt, const EnvChanges& envChanges = {})
{
    std::vector<std::string> envStrings = ChangedEnvironment(envChanges);
    std::vector<char*> envp;
    for (auto& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) return {};
    int terminal = -1;
    std::string input = "/dev/null";
    if (typed) {
        terminal = posix_openpt(O_RDWR | O_NOCTTY);
        if (terminal < 0 || grantpt(terminal) != 0 || unlockpt(terminal) != 0) return {};
        fcntl(terminal, F_SETFL, O_NONBLOCK);
        input = ptsname(terminal);
    }
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, input.c_str(), O_RDWR | O_NOCTTY, 0);
    posix_spawn_file_actions_adddup2(&fa, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&fa, errPipe[1], 2);
    posix_spawn_file_actions_addclose(&fa, outPipe[0]);
    posix_spawn_file_actions_addclose(&fa, errPipe[0]);
    if (terminal >= 0) posix_spawn_file_actions_addclose(&fa, terminal);
    args.insert(args.begin(), ZORIC_CLI_PATH);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, ZORIC_CLI_PATH, &fa, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&fa);
    close(outPipe[1]);
    close(errPipe[1]);
    RunResult r;
    if (rc != 0) return r;
    // The line discipline keeps the typed line until the program reads it.
    if (typed && write(terminal, typed->data(), typed->size()) != static_cast<ssize_t>(typed->size())) return r;
    auto start = std::chrono::steady_clock::now();
    bool interrupted = false;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    int open = 2;
    while (open > 0) {
        poll(fds, 2, 20);
        for (auto& f : fds) {
            if (f.fd < 0 || !(f.revents & (POLLIN | POLLHUP))) continue;
            char buf[4096];
            ssize_t n = read(f.fd, buf, sizeof buf);
            if (n <= 0) {
                close(f.fd);
                f.fd = -1;
                --open;
            } else {
                (f.fd == outPipe[0] ? r.out : r.err).append(buf, static_cast<size_t>(n));
            }
        }
        if (terminal >= 0) {  // the echo of the typed text must not fill the terminal
            char echo[256];
            while (read(terminal, echo, sizeof echo) > 0) {
            }
        }
        if (interruptAfter.count() > 0 && !interrupted && std::chrono::steady_clock::now() - start > interruptAfter) {
            kill(pid, SIGINT);
            interrupted = true;
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (terminal >= 0) close(terminal);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return r;
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override
    {
        zoric::sim::SimOptions o;
        o.timeScale = 0.02;
        Start(o);
    }
    void Start(const zoric::sim::SimOptions& o)
    {
        sim = std::make_unique<zoric::sim::CDriveSimulator>(o);
        ASSERT_TRUE(sim->Start()) << sim->LastError();
    }
    RunResult Run(std::vector<std::string> args, std::chrono::milliseconds interruptAfter = 0ms,
                  const std::optional<std::string>& typed = std::nullopt)
    {
        args.insert(args.begin(), {"--lang", "zh", "--port", sim->SlavePath()});
        return RunCli(std::move(args), interruptAfter, typed);
    }
    std::unique_ptr<zoric::sim::CDriveSimulator> sim;
};

}  // namespace cli_test
