// Figures for the drive link: read transactions of 27 registers (the live
// status block) against a slave that answers at once, with and without a
// frame monitor attached, the same over loopback TCP (Modbus TCP and RTU
// frames over TCP), and the CPU an open, idle port costs. The slave runs in a child process so that the CPU figures
// are the master's alone. Usage: link_bench [transactions]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "FrameDecoder.h"
#include "FrameMonitor.h"
#include "ModbusMaster.h"
#include "PtyBridge.h"
#include "ScriptedSlave.h"
#include "SimulatedPort.h"

namespace {

double CpuSeconds()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

pid_t StartSlave(std::string& path)
{
    int fds[2];
    if (pipe(fds) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        CPtyBridge line;
        std::vector<uint8_t> reply = {0x01, 0x03, 54};
        for (int i = 0; i < 54; ++i) reply.push_back(static_cast<uint8_t>(i));
        reply = WithCrc(reply);
        CScriptedSlave slave(line.PathB(), [&reply](const std::vector<uint8_t>&) { return SlaveReply::Bytes(reply); });
        std::string p = line.PathA() + "\n";
        if (write(fds[1], p.data(), p.size()) < 0) _exit(1);
        close(fds[1]);
        pause();
        _exit(0);
    }
    close(fds[1]);
    char buf[256] = {};
    ssize_t n = read(fds[0], buf, sizeof buf - 1);
    close(fds[0]);
    if (n <= 1) return -1;
    path.assign(buf, static_cast<size_t>(n - 1));
    return pid;
}

// A TCP slave on 127.0.0.1 in a child process that answers every read at
// once: the 27 registers in an MBAP frame with the request's transaction
// id, or the RTU frame with its CRC.
pid_t StartTcpSlave(bool mbap, uint16_t& port)
{
    int fds[2];
    if (pipe(fds) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const int listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        if (bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listener, 1) != 0 ||
            getsockname(listener, reinterpret_cast<sockaddr*>(&a), &size) != 0)
            _exit(1);
        const uint16_t bound = ntohs(a.sin_port);
        if (write(fds[1], &bound, sizeof bound) != sizeof bound) _exit(1);
        close(fds[1]);
        const int c = accept(listener, nullptr, nullptr);
        int one = 1;
        setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        std::vector<uint8_t> pdu = {0x01, 0x03, 54};
        for (int i = 0; i < 54; ++i) pdu.push_back(static_cast<uint8_t>(i));
        std::vector<uint8_t> reply =
            mbap ? std::vector<uint8_t>{0, 0, 0, 0, 0, static_cast<uint8_t>(pdu.size())} : std::vector<uint8_t>{};
        reply.insert(reply.end(), pdu.begin(), pdu.end());
        if (!mbap) reply = WithCrc(reply);
        uint8_t request[64];
        for (;;) {
            const ssize_t n = recv(c, request, sizeof request, 0);
            if (n <= 0) _exit(0);
            if (mbap && n >= 2) {
                reply[0] = request[0];
                reply[1] = request[1];
            }
            if (send(c, reply.data(), reply.size(), MSG_NOSIGNAL) < 0) _exit(0);
        }
    }
    close(fds[1]);
    const ssize_t n = read(fds[0], &port, sizeof port);
    close(fds[0]);
    return n == sizeof port ? pid : -1;
}

// Time per read of 27 registers over loopback TCP.
void BenchTcp(bool mbap, int count)
{
    uint16_t port = 0;
    const pid_t slave = StartTcpSlave(mbap, port);
    if (slave < 0) {
        std::fprintf(stderr, "cannot start the TCP slave\n");
        return;
    }
    const std::string url = std::string(mbap ? "tcp" : "rtu+tcp") + "://127.0.0.1:" + std::to_string(port);
    CModbusMaster master;
    if (!master.OpenPort(url, 9600, 0)) {
        std::fprintf(stderr, "cannot open %s\n", url.c_str());
    } else {
        uint8_t data[54];
        int failures = 0;
        const double cpu0 = CpuSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < count; ++i) {
            uint16_t length = sizeof data;
            if (master.ReadHoldingRegisters(1, 32, 27, data, &length) != 0) ++failures;
        }
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        const double cpu = CpuSeconds() - cpu0;
        std::printf(
            "read 27 registers x %d over loopback TCP, %s: %.0f transactions/s, %.1f us/transaction, "
            "%.1f us CPU/transaction, %d failed\n",
            count, mbap ? "Modbus TCP" : "RTU over TCP", count / wall, wall * 1e6 / count, cpu * 1e6 / count, failures);
        master.ClosePort();
    }
    kill(slave, SIGTERM);
    waitpid(slave, nullptr, 0);
}

// What a bus monitor window does with each frame: the summary, the hex
// and the counts.
struct CDecodingMonitor : IFrameMonitor {
    void OnFrame(const CapturedFrame& frame) override
    {
        ++frames;
        textBytes += FrameDecoder::Describe(frame).size() + FrameDecoder::Hex(frame.bytes).size();
        counters.Count(frame);
    }
    size_t frames = 0;
    size_t textBytes = 0;
    FrameDecoder::CCounters counters;
};

// The drive inside the tool: the same reads on "sim://", and the CPU its
// open, idle port costs (the receive thread sleeps until an answer is due).
void BenchSimulated(int count)
{
    SimulatedPort::Enable();
    CModbusMaster master;
    if (!master.OpenPort("sim://", 9600, 0)) {
        std::printf("sim://: cannot open\n");
        return;
    }
    uint8_t data[54];
    int failures = 0;
    const double cpu0 = CpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) {
        uint16_t length = sizeof data;
        if (master.ReadHoldingRegisters(1, 32, 27, data, &length) != 0) ++failures;
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double cpu = CpuSeconds() - cpu0;
    std::printf(
        "read 27 registers x %d on sim://: %.0f transactions/s, %.1f us/transaction, %.1f us "
        "CPU/transaction, %d failed\n",
        count, count / wall, wall * 1e6 / count, cpu * 1e6 / count, failures);
    const double idle0 = CpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const double idle = CpuSeconds() - idle0;
    std::printf("open idle sim:// port for 2 s: %.3f ms CPU\n", idle * 1e3);
}

}  // namespace

int main(int argc, char** argv)
{
    int count = argc > 1 ? std::atoi(argv[1]) : 2000;
    if (count <= 0) count = 2000;
    std::string path;
    pid_t slave = StartSlave(path);
    if (slave < 0) {
        std::fprintf(stderr, "cannot start the slave\n");
        return 1;
    }
    CModbusMaster master;
    if (!master.OpenWithMode(path, "115200,n,8,1")) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        kill(slave, SIGTERM);
        return 1;
    }

    // Rounds with and without a frame monitor attached, taking turns so
    // that drift of the machine falls on both alike.
    uint8_t data[54];
    int failures = 0;
    CDecodingMonitor monitor;
    double wall[2] = {}, cpu[2] = {};
    for (int round = 0; round < 8; ++round) {
        const int attached = round % 2;
        master.SetFrameMonitor(attached ? &monitor : nullptr);
        double cpu0 = CpuSeconds();
        auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < count / 4; ++i) {
            uint16_t length = sizeof data;
            if (master.ReadHoldingRegisters(1, 32, 27, data, &length) != 0) ++failures;
        }
        wall[attached] += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        cpu[attached] += CpuSeconds() - cpu0;
    }
    master.SetFrameMonitor(nullptr);
    for (int attached = 0; attached < 2; ++attached) {
        const int n = 4 * (count / 4);
        std::printf(
            "read 27 registers x %d over a pty pair, %s: %.0f transactions/s, %.1f us/transaction, "
            "%.1f us CPU/transaction\n",
            n, attached ? "frame monitor attached (decoded, counted)" : "no frame monitor", n / wall[attached],
            wall[attached] * 1e6 / n, cpu[attached] * 1e6 / n);
    }
    std::printf("%d failed; monitor saw %zu frames, %zu summary bytes\n", failures, monitor.frames, monitor.textBytes);

    BenchTcp(true, count);
    BenchTcp(false, count);
    BenchSimulated(count);

    double idle0 = CpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(5));
    double idle = CpuSeconds() - idle0;
    std::printf("open idle port for 5 s: %.3f ms CPU (%.4f%% of one core)\n", idle * 1e3, idle / 5.0 * 100.0);

    master.ClosePort();
    kill(slave, SIGTERM);
    waitpid(slave, nullptr, 0);
    return failures ? 1 : 0;
}
