// Over TCP against implementations written independently of ours: our
// master against pymodbus's server in both modes (Modbus TCP and RTU frames
// over TCP), and mbpoll as a Modbus TCP client of the simulated drive.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "DriveSimulator.h"
#include "ModbusMaster.h"
#include "NetListener.h"

using namespace std::chrono_literals;

namespace {

uint16_t FreePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
    ::close(fd);
    return ntohs(a.sin_port);
}

// pymodbus's server (Debian's python3-pymodbus, for the system python) in
// a child process, ended with the test.
class PymodbusServer {
public:
    PymodbusServer(const char* mode, uint16_t port)
    {
        m_pid = ::fork();
        if (m_pid == 0) {
            const std::string p = std::to_string(port);
            ::execl("/usr/bin/python3", "python3", PYMODBUS_SERVER, mode, p.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    ~PymodbusServer()
    {
        if (m_pid <= 0) return;
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }

private:
    pid_t m_pid = -1;
};

bool PymodbusPresent() { return std::system("/usr/bin/python3 -c 'import pymodbus.server' >/dev/null 2>&1") == 0; }

class Pymodbus : public ::testing::TestWithParam<const char*> {};

TEST_P(Pymodbus, ReadsWritesAndExceptions)
{
    if (!PymodbusPresent()) GTEST_SKIP() << "pymodbus for /usr/bin/python3 is not installed (scripts/bootstrap)";
    const bool modbusTcp = std::string(GetParam()) == "tcp";
    const uint16_t port = FreePort();
    PymodbusServer server(modbusTcp ? "tcp" : "rtu", port);
    const std::string url = std::string(modbusTcp ? "tcp" : "rtu+tcp") + "://127.0.0.1:" + std::to_string(port);
    CModbusMaster master;
    const auto until = std::chrono::steady_clock::now() + 15s;  // the interpreter takes a while to start
    while (!master.OpenPort(url, 9600, 0)) {
        ASSERT_LT(std::chrono::steady_clock::now(), until) << "pymodbus did not come up on " << url;
        std::this_thread::sleep_for(50ms);
    }
    uint8_t data[54] = {};
    uint16_t length = sizeof data;
    ASSERT_EQ(master.ReadHoldingRegisters(17, 32, 27, data, &length), kResultOk);
    EXPECT_EQ(length, 54);
    EXPECT_EQ(data[52] << 8 | data[53], 3 * 58);
    uint16_t values[31];
    for (uint16_t i = 0; i < 31; ++i) values[i] = static_cast<uint16_t>(0xA000 + i);
    EXPECT_EQ(master.WriteMultipleRegisters(17, 0x200, values, 31), kResultOk);
    EXPECT_EQ(master.WriteSingleRegister(17, 0x21F, 0x1234), kResultOk);
    length = 4;
    ASSERT_EQ(master.ReadHoldingRegisters(17, 0x21E, 2, data, &length), kResultOk);
    EXPECT_EQ(data[0] << 8 | data[1], 0xA01E);
    EXPECT_EQ(data[2] << 8 | data[3], 0x1234);
    EXPECT_EQ(master.ReadHoldingRegisters(17, 0x2FF, 2, data, &length), 2u) << "past the table: exception 2";
}

INSTANTIATE_TEST_SUITE_P(BothModes, Pymodbus, ::testing::Values("tcp", "rtu+tcp"),
                         [](const ::testing::TestParamInfo<const char*>& mode) {
                             return std::string(mode.param[0] == 't' ? "ModbusTcp" : "RtuOverTcp");
                         });

std::string Output(const std::string& command)
{
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        std::array<char, 256> buf;
        while (std::fgets(buf.data(), buf.size(), p)) out += buf.data();
        ::pclose(p);
    }
    return out;
}

TEST(Mbpoll, ReadsAndWritesTheSimulatedDriveThroughItsGateway)
{
    if (::access("/usr/bin/mbpoll", X_OK) != 0) GTEST_SKIP() << "mbpoll is not installed (scripts/bootstrap)";
    zoric::sim::CDriveSimulator sim;
    ASSERT_TRUE(sim.Start());
    zoric::sim::ListenAddress address;
    ASSERT_TRUE(zoric::sim::ParseListenAddress("tcp://127.0.0.1:0", address));
    zoric::sim::CNetListener listener({address}, sim);
    ASSERT_TRUE(listener.Start()) << listener.LastError();
    const std::string url = listener.Urls().front();
    const std::string port = url.substr(url.rfind(':') + 1);

    // mbpoll counts references from 1: reference 1 is register 0.
    const std::string read = Output("/usr/bin/mbpoll -m tcp -p " + port + " -a 1 -r 1 -c 2 -1 127.0.0.1 2>&1");
    EXPECT_NE(read.find("[1]: \t9224"), std::string::npos) << read;  // 0x2408, the device id
    Output("/usr/bin/mbpoll -m tcp -p " + port + " -a 1 -r 82 127.0.0.1 4321 2>&1");
    EXPECT_EQ(sim.GetRegister(81), 4321);
    const std::string missing = Output("/usr/bin/mbpoll -m tcp -p " + port + " -a 1 -r 65521 -1 127.0.0.1 2>&1");
    EXPECT_NE(missing.find("Illegal data address"), std::string::npos) << missing;
}

}  // namespace
