// A file too big to be a configuration (a big file, a pipe that never
// ends, a device) is read only to the configuration's size limit: bounded
// time and memory. POSIX pipes and devices, so Linux only.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ConfigFile.h"
#include "DriveConfig.h"
#include "EndlessFifo.h"

using namespace Backup;

namespace {

// A small valid configuration: every setting at its plainest.
Configuration Sample()
{
    Configuration config;
    config.created = "2026-01-02T03:04:05Z";
    config.tool = "test";
    config.drive = {"0x2408", "2.03", "ZORIC-FOC"};
    for (const Item& item : Items()) {
        const bool baud = item.field && item.field->kind == FieldRules::Kind::BaudChoice;
        config.values[item.key] = baud ? 19200 : 0;
    }
    return config;
}

// Runs `job` in a child process whose memory may grow by `growth` bytes at
// most and which is ended after `seconds`: a reader that does not stop
// cannot take the machine with it. True when `job` returned true in time.
bool InBoundedChild(const std::function<bool()>& job, size_t growth, unsigned seconds)
{
    const pid_t pid = ::fork();
    if (pid < 0) return false;
    if (pid == 0) {
        // Above what the process has mapped already (a sanitizer's shadow).
        std::ifstream statm("/proc/self/statm");
        size_t pages = 0;
        statm >> pages;
        const rlim_t bytes = pages * static_cast<size_t>(::sysconf(_SC_PAGESIZE)) + growth;
        const rlimit limit{bytes, bytes};
        ::setrlimit(RLIMIT_AS, &limit);
        ::alarm(seconds);
        bool ok = false;
        try {
            ok = job();
        } catch (...) {  // out of memory: the child ends here, never in the test runner
        }
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Past 1 MiB a file is not a configuration, whatever follows: a big file,
// a pipe that never ends and a device are each read only to that limit.
TEST(ConfigFile, NothingLongerThanAConfigurationIsReadToItsEnd)
{
    const std::string text = ToText(Sample());
    const std::string padded = text + std::string((size_t{2} << 20) - text.size(), ' ');
    ASSERT_TRUE(Parse(padded).config) << "read whole, it would load";
    const std::string big = ::testing::TempDir() + "/big-" + std::to_string(::getpid()) + ".json";
    std::ofstream(big, std::ios::binary) << padded;
    EXPECT_EQ(ReadFile(big).problem.error, FileError::NotConfig);
    std::remove(big.c_str());

    CEndlessFifo fifo(text);
    ASSERT_TRUE(fifo.Ok());
    const ParsedFile fromFifo = ReadFile(fifo.Path());
    EXPECT_EQ(fromFifo.problem.error, FileError::NotConfig) << Describe(fromFifo.problem);
    EXPECT_TRUE(fifo.Finish()) << "the reader gave up before the writer";

    EXPECT_TRUE(InBoundedChild([] { return ReadFile("/dev/zero").problem.error == FileError::NotConfig; },
                               size_t{128} << 20, 10));
}

}  // namespace
