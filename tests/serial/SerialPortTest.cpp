#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "PortNames.h"
#include "PtyBridge.h"
#include "cnComm.h"

namespace {

TEST(LineSettings, ModeTextsTheToolBuildsAreAccepted)
{
    LineSettings s;
    ASSERT_TRUE(cnComm::ParseMode("9600,n,8,2", s));
    EXPECT_EQ(s.baud, 9600);
    EXPECT_EQ(s.parity, 'n');
    EXPECT_EQ(s.dataBits, 8);
    EXPECT_EQ(s.stopBits, 2);
    ASSERT_TRUE(cnComm::ParseMode("115200,E,8,1", s));
    EXPECT_EQ(s.parity, 'e');
    EXPECT_TRUE(cnComm::ParseMode("1200,o,8,1", s));
    EXPECT_TRUE(cnComm::ParseMode("14400,n,8,2", s));  // listed in the connection combo
    EXPECT_TRUE(cnComm::ParseMode("57600, n, 8, 1", s));
}

TEST(LineSettings, AnythingElseIsRefused)
{
    LineSettings s;
    for (const char* bad : {"", "9600", "9600,n,8", "9600,n,8,2,x", "9601,n,8,1", "9600,m,8,1", "9600,n,7,1",
                            "9600,n,8,3", "-9600,n,8,1", "99999999999,n,8,1", "9600,nn,8,1", "9600,,8,1"})
        EXPECT_FALSE(cnComm::ParseMode(bad, s)) << bad;
    EXPECT_FALSE(cnComm::ParseMode(nullptr, s));
}

TEST(SerialPort, MissingDeviceFailsAndLeavesNothingRunning)
{
    cnComm port(0, true);
    port.m_portName = "/dev/zoric-no-such-port";
    EXPECT_FALSE(port.Open());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.IsWatchThreadRunning());
    port.Close();  // closing a closed port does nothing
    EXPECT_FALSE(port.IsOpen());
}

TEST(SerialPort, CloseEndsTheWatchThreadPromptly)
{
    CPtyBridge line;
    ASSERT_TRUE(line.Ok());
    cnComm port(0, true);
    port.m_portName = line.PathA();
    ASSERT_TRUE(port.Open());
    ASSERT_TRUE(port.ConfigureQueues());
    ASSERT_TRUE(port.ApplyMode("9600,n,8,2"));
    EXPECT_TRUE(port.IsWatchThreadRunning());
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // let it block in its wait
    auto t0 = std::chrono::steady_clock::now();
    port.Close();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_LT(ms, 100);
    EXPECT_FALSE(port.IsWatchThreadRunning());
    EXPECT_FALSE(port.IsOpen());
}

TEST(SerialPort, OpenIsExclusiveWithinAndAcrossProcesses)
{
    CPtyBridge line;
    ASSERT_TRUE(line.Ok());
    cnComm first(0, true);
    first.m_portName = line.PathA();
    ASSERT_TRUE(first.Open());

    cnComm second(0, true);
    second.m_portName = line.PathA();
    EXPECT_FALSE(second.Open());
    EXPECT_FALSE(second.IsWatchThreadRunning());

    pid_t child = fork();
    if (child == 0) {
        cnComm other(0, false);
        other.m_portName = line.PathA();
        _exit(other.Open() ? 1 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "another process opened a port we hold";

    first.Close();
    EXPECT_TRUE(second.Open()) << "the port is free again once closed";
}

TEST(SerialPort, StatusQueryCountsWaitingBytesOnAPseudoTerminal)
{
    CPtyBridge line;
    ASSERT_TRUE(line.Ok());
    cnComm port(0, true);
    port.m_portName = line.PathA();
    ASSERT_TRUE(port.Open());
    ASSERT_TRUE(port.ApplyMode("19200,e,8,1"));
    EXPECT_TRUE(port.RaiseRts());  // no modem lines on a pty: accepted all the same

    int peer = open(line.PathB().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(peer, 0);
    ASSERT_EQ(write(peer, "abc", 3), 3);
    CommStatus st;
    for (int i = 0; i < 100 && st.waiting < 3; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ASSERT_TRUE(port.QueryStatus(st));
    }
    EXPECT_EQ(st.waiting, 3u);
    EXPECT_FALSE(st.AnyError());  // a pty has no error counters: none reported
    EXPECT_TRUE(port.Purge(true, true));
    ASSERT_TRUE(port.QueryStatus(st));
    EXPECT_EQ(st.waiting, 0u);
    close(peer);
}

TEST(SerialPort, APtyReopensAtTheParityItAlreadyHas)
{
    // The pty drops the parity bit; asking again for the same settings
    // changes nothing else, which the C library would report as refused.
    CPtyBridge line;
    ASSERT_TRUE(line.Ok());
    for (int round = 0; round < 2; ++round) {
        cnComm port(0, true);
        port.m_portName = line.PathA();
        ASSERT_TRUE(port.Open());
        EXPECT_TRUE(port.ApplyMode("19200,o,8,1")) << "round " << round;
        port.Close();
    }
}

TEST(PortNames, ComNamesResolveThroughTheLinkDirectoryOrTheSerialDevices)
{
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("zoric-com-test-" + std::to_string(getpid()));
    fs::create_directories(dir);
    setenv("ZORIC_COM_DIR", dir.c_str(), 1);
    fs::create_symlink("/dev/null", dir / "COM3");

    EXPECT_EQ(ComLinkDirectory(), dir.string());
    EXPECT_EQ(ResolvePortName("COM3"), (dir / "COM3").string());
    EXPECT_EQ(ResolvePortName("com3"), (dir / "COM3").string());
    EXPECT_EQ(ResolvePortName("COM4"), "/dev/ttyS3");
    EXPECT_EQ(ComPortDevice(1), "/dev/ttyS0");
    EXPECT_EQ(ResolvePortName("/dev/ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(ResolvePortName("COMX"), "COMX");  // not a COM name: taken as a path
    EXPECT_EQ(ResolvePortName("COM0"), "COM0");

    unsetenv("ZORIC_COM_DIR");
    fs::remove_all(dir);
}

}  // namespace
