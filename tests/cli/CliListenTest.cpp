// zoric-cli listen: the frames another master exchanges on the line, printed
// as trace lines, while the tool sends nothing.
#include <unistd.h>

#include <future>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "CliHarness.h"
#include "PtyBridge.h"

using namespace std::chrono_literals;
using cli_test::RunCli;

namespace {

void WriteHex(int fd, const std::vector<uint8_t>& bytes)
{
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

TEST(CliListen, PrintsTheFramesOfAnotherMaster)
{
    CPtyBridge bridge;
    ASSERT_TRUE(bridge.Ok());
    const int line = bridge.OpenRawB();
    ASSERT_GE(line, 0);

    auto run = std::async(std::launch::async, [&] {
        return RunCli({"--port", bridge.PathA(), "--baud", "19200", "listen", "--duration", "1.2"});
    });
    std::this_thread::sleep_for(400ms);  // the program is up and listening
    WriteHex(line, {0x01, 0x03, 0x00, 0x60, 0x00, 0x02, 0xC4, 0x15});
    std::this_thread::sleep_for(40ms);
    WriteHex(line, {0x01, 0x03, 0x04, 0x00, 0x0A, 0x01, 0x02, 0x5A, 0x60});
    const auto r = run.get();
    ::close(line);

    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find(" MA s1 01 03 00 60 00 02 C4 15 | read 96..97 (2)\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" SL s1 01 03 04 00 0A 01 02 5A 60 | 2 registers | ok "), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("slave 1: requests 1 answers 1"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("line errors: framing 0 parity 0 overrun 0 break 0"), std::string::npos) << r.err;
}

TEST(CliListen, RefusesBadArgumentsAndAMissingPort)
{
    EXPECT_EQ(RunCli({"listen", "--duration", "soon"}).exitCode, 2);
    EXPECT_EQ(RunCli({"listen", "extra"}).exitCode, 2);
    EXPECT_EQ(RunCli({"--port", "/dev/zoric-no-such-port", "listen", "--duration", "0.1"}).exitCode, 3);
}

}  // namespace
