// The master over TCP: against the simulated drive behind its gateway and
// device-server ends, against a scripted server for every way a connection
// or a Modbus TCP answer can go wrong, and the rules of the network port
// names and of MBAP frames.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "CpuTime.h"
#include "Crc.h"
#include "DriveSimulator.h"
#include "FrameDecoder.h"
#include "MbapFrame.h"
#include "ModbusMaster.h"
#include "NetListener.h"
#include "PortNames.h"

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

namespace {

// A TCP server on 127.0.0.1 that hands each request to a script: the
// script answers bytes, stays silent, or closes the connection.
class CScriptedServer {
public:
    struct Reply {
        Bytes bytes;
        bool close = false;
    };
    using Script = std::function<Reply(const Bytes& request)>;

    explicit CScriptedServer(Script script) : m_script(std::move(script))
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        if (::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(m_fd, 4) != 0 ||
            ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &size) != 0)
            return;
        m_port = ntohs(a.sin_port);
        m_thread = std::thread([this] { Run(); });
    }
    ~CScriptedServer()
    {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
        ::close(m_fd);
    }
    std::string Url(const char* scheme = "tcp") const
    {
        return std::string(scheme) + "://127.0.0.1:" + std::to_string(m_port);
    }
    int Accepted() const { return m_accepted.load(); }

private:
    void Run()
    {
        while (!m_stop) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            const int client = ::accept(m_fd, nullptr, nullptr);
            if (client < 0) continue;
            ++m_accepted;
            Serve(client);
            ::close(client);
        }
    }
    void Serve(int client)
    {
        while (!m_stop) {
            pollfd p{client, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            uint8_t buf[300];
            const ssize_t n = ::recv(client, buf, sizeof buf, 0);
            if (n <= 0) return;
            const Reply reply = m_script(Bytes(buf, buf + n));
            if (reply.close) return;
            if (!reply.bytes.empty() && ::send(client, reply.bytes.data(), reply.bytes.size(), MSG_NOSIGNAL) < 0)
                return;
        }
    }
    Script m_script;
    int m_fd = -1;
    uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_accepted{0};
    std::thread m_thread;
};

// The MBAP answer to `request` carrying `unitPdu`, with the request's
// transaction id plus `tidOffset`.
Bytes MbapAnswer(const Bytes& request, const Bytes& unitPdu, int tidOffset = 0)
{
    const uint16_t tid = static_cast<uint16_t>(MbapFrame::TransactionId(request.data()) + tidOffset);
    return MbapFrame::Wrap(tid, unitPdu.data(), unitPdu.size());
}

struct Recorder : IFrameMonitor {
    void OnFrame(const CapturedFrame& frame) override
    {
        std::lock_guard g(lock);
        lines.push_back(FrameDecoder::TraceLine(frame));
        kinds.push_back(frame.kind);
        counters.Count(frame);
    }
    FrameDecoder::CCounters counters;
    std::mutex lock;
    std::vector<std::string> lines;
    std::vector<FrameKind> kinds;
};

class NetworkLink : public ::testing::TestWithParam<const char*> {};

// Every kind of exchange the tool makes, against the simulated drive
// reached as a gateway ("tcp") and as a device server ("rtu+tcp").
TEST_P(NetworkLink, TheDriveAnswersEveryFunctionAndTheMonitorSeesTheFramesAsSent)
{
    zoric::sim::CDriveSimulator sim;
    ASSERT_TRUE(sim.Start());
    zoric::sim::ListenAddress address;
    ASSERT_TRUE(zoric::sim::ParseListenAddress(std::string(GetParam()) + "://127.0.0.1:0", address));
    zoric::sim::CNetListener listener({address}, sim);
    ASSERT_TRUE(listener.Start()) << listener.LastError();
    const std::string url = listener.Urls().front();

    CModbusMaster master;
    master.SetResponseTimeout(CModbusMaster::kResponseTimeoutMs);
    ASSERT_TRUE(master.OpenPort(url, 115200, 1)) << "baud and parity do not apply";
    EXPECT_EQ(master.PortName(), url);
    Recorder recorder;
    master.SetFrameMonitor(&recorder);

    RealtimeStatus status;
    EXPECT_EQ(master.ReadRealtimeStatus(1, status), kResultOk);
    EXPECT_EQ(master.WriteSingleRegister(1, 81, 1234), kResultOk);
    RampSettings ramps;
    ASSERT_EQ(master.ReadRampSettings(1, ramps), kResultOk);
    EXPECT_EQ(sim.GetRegister(81), 1234);
    std::string ident;
    EXPECT_EQ(master.ReadDeviceIdentification(1, ident), kResultOk);
    EXPECT_NE(ident.find("ZORIC"), std::string::npos);
    SdoRecord sdo;
    EXPECT_EQ(master.SdoTransfer(1, 0x40, 0x1000, 0, 0, sdo), kResultOk);
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0xFFF0, 1, nullptr, nullptr), 2u) << "the drive's exception";
    EXPECT_EQ(master.ReadHoldingRegisters(9, 0, 1, nullptr, nullptr), kResultTimeout) << "no drive 9 on the line";
    master.SetFrameMonitor(nullptr);
    EXPECT_EQ(recorder.counters.Of(1).exceptions, 1u);
    EXPECT_EQ(recorder.counters.Of(9).timeouts, 1u);

    const bool mbap = std::string(GetParam()) == "tcp";
    ASSERT_FALSE(recorder.lines.empty());
    const std::string& first = recorder.lines.front();
    if (mbap)
        EXPECT_NE(first.find("TX s1 00 01 00 00 00 06 01 03 00 20 00 1B | tid 1 len 6: read 32..58 (27)"),
                  std::string::npos)
            << first;
    else EXPECT_NE(first.find("TX s1 01 03 00 20 00 1B "), std::string::npos) << first;
    EXPECT_NE(first.find("read 32..58 (27)"), std::string::npos) << first;
    EXPECT_NE(recorder.lines[1].find("27 registers | ok"), std::string::npos) << recorder.lines[1];
    master.ClosePort();
    EXPECT_FALSE(master.IsPortLost());
}

INSTANTIATE_TEST_SUITE_P(BothModes, NetworkLink, ::testing::Values("tcp", "rtu+tcp"),
                         [](const ::testing::TestParamInfo<const char*>& mode) {
                             return std::string(mode.param[0] == 't' ? "ModbusTcp" : "RtuOverTcp");
                         });

TEST(NetworkConnection, HostNamesAndIpv6LiteralsResolve)
{
    zoric::sim::CDriveSimulator sim;
    ASSERT_TRUE(sim.Start());
    zoric::sim::ListenAddress v4, v6;
    ASSERT_TRUE(zoric::sim::ParseListenAddress("tcp://127.0.0.1:0", v4));
    ASSERT_TRUE(zoric::sim::ParseListenAddress("rtu+tcp://[::1]:0", v6));
    zoric::sim::CNetListener gateway({v4}, sim);
    ASSERT_TRUE(gateway.Start()) << gateway.LastError();
    const std::string url = gateway.Urls().front();
    CModbusMaster master;
    // "localhost" may name ::1 first, where nothing listens: the next address is tried.
    ASSERT_TRUE(master.OpenPort("tcp://localhost" + url.substr(url.rfind(':')), 9600, 0))
        << static_cast<int>(master.LastOpenError().reason);
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 16, nullptr, nullptr), kResultOk);
    master.ClosePort();

    zoric::sim::CNetListener server({v6}, sim);
    if (!server.Start()) GTEST_SKIP() << "no IPv6 loopback here: " << server.LastError();
    const std::string url6 = server.Urls().front();
    EXPECT_EQ(url6.rfind("rtu+tcp://[::1]:", 0), 0u) << url6;
    ASSERT_TRUE(master.OpenPort(url6, 9600, 0));
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 16, nullptr, nullptr), kResultOk);
}

TEST(ModbusTcpAnswers, AnotherTransactionIdIsPassedOverAndABadHeaderIsABadAnswer)
{
    // Per request: an answer to an earlier transaction first, then its own.
    int n = 0;
    CScriptedServer server([&n](const Bytes& req) {
        const Bytes unitPdu = {0x01, 0x03, 0x02, 0x00, static_cast<uint8_t>(req[9])};
        switch (n++) {
        case 0: {
            Bytes both = MbapAnswer(req, {0x01, 0x03, 0x02, 0xDE, 0xAD}, -1);
            const Bytes own = MbapAnswer(req, unitPdu);
            both.insert(both.end(), own.begin(), own.end());
            return CScriptedServer::Reply{both};
        }
        case 1: return CScriptedServer::Reply{MbapAnswer(req, unitPdu, 5)};  // only someone else's
        case 2: {
            Bytes shortLength = MbapAnswer(req, unitPdu);
            shortLength[5] = 3;  // unit, function, byte count: the data left out
            return CScriptedServer::Reply{shortLength};
        }
        case 3: {
            Bytes longLength = MbapAnswer(req, unitPdu);
            longLength[5] = 9;  // announces more than ever comes
            return CScriptedServer::Reply{longLength};
        }
        case 4: {
            Bytes protocol = MbapAnswer(req, unitPdu);
            protocol[2] = 1;
            return CScriptedServer::Reply{protocol};
        }
        case 5: return CScriptedServer::Reply{MbapAnswer(req, {0x02, 0x03, 0x02, 0x00, 0x01})};  // unit 2
        default: return CScriptedServer::Reply{MbapAnswer(req, unitPdu)};
        }
    });
    CModbusMaster master;
    master.SetResponseTimeout(300);
    ASSERT_TRUE(master.OpenPort(server.Url(), 9600, 0));
    Recorder recorder;
    master.SetFrameMonitor(&recorder);
    uint8_t data[2] = {};
    uint16_t length = 2;
    ASSERT_EQ(master.ReadHoldingRegisters(1, 7, 1, data, &length), kResultOk);
    EXPECT_EQ(data[1], 7) << "the earlier transaction's answer was taken";
    EXPECT_EQ(recorder.kinds, (std::vector{FrameKind::Request, FrameKind::Late, FrameKind::Answer}));
    EXPECT_NE(recorder.lines[1].find("late answer, 11 bytes, tid 0 len 5"), std::string::npos) << recorder.lines[1];
    master.SetFrameMonitor(nullptr);

    EXPECT_EQ(master.ReadHoldingRegisters(1, 8, 1, data, &length), kResultTimeout) << "only another transaction's";
    EXPECT_EQ(master.ReadHoldingRegisters(1, 9, 1, data, &length), kResultBadResponse) << "length too short";
    EXPECT_EQ(master.ReadHoldingRegisters(1, 10, 1, data, &length), kResultTimeout) << "length too long";
    EXPECT_EQ(master.ReadHoldingRegisters(1, 11, 1, data, &length), kResultBadResponse) << "protocol id 1";
    EXPECT_EQ(master.ReadHoldingRegisters(1, 12, 1, data, &length), kResultBadResponse) << "unit 2 for 1";
    ASSERT_EQ(master.ReadHoldingRegisters(1, 13, 1, data, &length), kResultOk) << "what was left is drained";
    EXPECT_EQ(data[1], 13);
    EXPECT_FALSE(master.IsPortLost());
}

TEST(NetworkConnection, ClosedMidTransactionIsALostLineReportedOnceAndReopened)
{
    for (const char* scheme : {"tcp", "rtu+tcp"}) {
        SCOPED_TRACE(scheme);
        std::atomic<bool> close{true};
        CScriptedServer server([&close](const Bytes& req) {
            if (close) return CScriptedServer::Reply{{}, true};
            if (req.size() >= 12 && req[2] == 0 && req[3] == 0)  // MBAP
                return CScriptedServer::Reply{MbapAnswer(req, {0x01, 0x03, 0x02, 0x00, 0x2A})};
            Bytes rtu = {0x01, 0x03, 0x02, 0x00, 0x2A};
            const uint16_t crc = ComputeCrc(rtu.data(), rtu.size());
            rtu.push_back(static_cast<uint8_t>(crc));
            rtu.push_back(static_cast<uint8_t>(crc >> 8));
            return CScriptedServer::Reply{rtu};
        });
        CModbusMaster master;
        ASSERT_TRUE(master.OpenPort(server.Url(scheme), 9600, 0));
        const uint32_t losses = master.PortLossCount();
        const auto t0 = std::chrono::steady_clock::now();
        EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 1, nullptr, nullptr), kResultPortNotOpen);
        EXPECT_LT(std::chrono::steady_clock::now() - t0, 500ms) << "ends at once, not after the time-out";
        EXPECT_TRUE(master.IsPortLost());
        EXPECT_EQ(master.PortLossCount(), losses + 1);
        EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 1, nullptr, nullptr), kResultPortNotOpen);
        EXPECT_LT(CpuMsDuring([] { std::this_thread::sleep_for(300ms); }), kIdleCpuMsPerSecond)
            << "nothing spins on the lost line";
        EXPECT_EQ(master.PortLossCount(), losses + 1) << "one loss, counted once";

        close = false;
        ASSERT_TRUE(master.OpenPort(server.Url(scheme), 9600, 0)) << "the lost port is released by the open";
        EXPECT_FALSE(master.IsPortLost());
        uint8_t data[2];
        uint16_t length = 2;
        ASSERT_EQ(master.ReadHoldingRegisters(1, 0, 1, data, &length), kResultOk);
        EXPECT_EQ(data[1], 0x2A);
    }
}

TEST(NetworkConnection, RefusedSilentAndMalformedSayWhy)
{
    // A port nothing listens on: one that was just in use and let go.
    uint16_t freePort;
    {
        CScriptedServer gone([](const Bytes&) { return CScriptedServer::Reply{}; });
        freePort = static_cast<uint16_t>(std::stoi(gone.Url().substr(gone.Url().rfind(':') + 1)));
    }
    CModbusMaster master;
    EXPECT_FALSE(master.OpenPort("tcp://127.0.0.1:" + std::to_string(freePort), 9600, 0));
    EXPECT_EQ(master.LastOpenError().reason, PortOpenReason::Refused);
    EXPECT_EQ(master.LastOpenError().device, "127.0.0.1:" + std::to_string(freePort));
    EXPECT_FALSE(master.IsPortOpen());
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 1, nullptr, nullptr), kResultPortNotOpen);

    for (const char* bad :
         {"rtu+tcp://127.0.0.1", "tcp://127.0.0.1:0", "tcp://:502", "tcp://::1:502", "tcp://h:70000"}) {
        EXPECT_FALSE(master.OpenPort(bad, 9600, 0)) << bad;
        EXPECT_EQ(master.LastOpenError().reason, PortOpenReason::BadAddress) << bad;
    }
    EXPECT_FALSE(master.OpenPort("tcp://no-such-host.invalid", 9600, 0));
    EXPECT_EQ(master.LastOpenError().reason, PortOpenReason::HostNotFound);

    // Accepts and never answers: the response time-out, each time.
    CScriptedServer silent([](const Bytes&) { return CScriptedServer::Reply{}; });
    master.SetResponseTimeout(200);
    ASSERT_TRUE(master.OpenPort(silent.Url(), 9600, 0));
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 1, nullptr, nullptr), kResultTimeout);
    EXPECT_EQ(master.WriteSingleRegister(1, 0, 1), kResultTimeout);
    EXPECT_GE(std::chrono::steady_clock::now() - t0, 390ms);
    EXPECT_FALSE(master.IsPortLost()) << "a silent peer is no lost line";
}

TEST(NetworkConnection, AConnectLongerThanTheTimeOutFailsAsATimeOut)
{
    // A listener that never accepts, its queue full: further connects get
    // no answer at all, as behind a firewall that drops them.
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::listen(fd, 0), 0);
    ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size), 0);
    std::vector<int> queued;
    for (int i = 0; i < 3; ++i) {
        const int c = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        ::connect(c, reinterpret_cast<sockaddr*>(&a), sizeof a);
        queued.push_back(c);
    }
    std::this_thread::sleep_for(50ms);
    CModbusMaster master;
    master.SetResponseTimeout(300);
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(master.OpenPort("tcp://127.0.0.1:" + std::to_string(ntohs(a.sin_port)), 9600, 0));
    const auto took = std::chrono::steady_clock::now() - t0;
    EXPECT_EQ(master.LastOpenError().reason, PortOpenReason::TimedOut);
    EXPECT_GE(took, 290ms);
    EXPECT_LT(took, 900ms) << "the response time-out, not the system's minutes";
    for (const int c : queued) ::close(c);
    ::close(fd);
}

TEST(NetworkPortNames, KindAddressAndPort)
{
    NetworkPort p;
    EXPECT_EQ(PortKindOf("COM3"), PortKind::Serial);
    EXPECT_EQ(PortKindOf("/dev/ttyUSB0"), PortKind::Serial);
    ASSERT_TRUE(ParseNetworkPort("tcp://plc-7.local", p));
    EXPECT_EQ(p.kind, PortKind::ModbusTcp);
    EXPECT_EQ(p.host, "plc-7.local");
    EXPECT_EQ(p.port, 502) << "Modbus TCP's own port when none is given";
    ASSERT_TRUE(ParseNetworkPort("RTU+TCP://[fe80::1]:4001", p));
    EXPECT_EQ(p.kind, PortKind::RtuOverTcp);
    EXPECT_EQ(p.host, "fe80::1");
    EXPECT_EQ(p.port, 4001);
    ASSERT_TRUE(ParseNetworkPort("tcp://[::1]", p));
    EXPECT_EQ(p.port, 502);
    for (const char* bad : {"tcp://", "tcp://[::1", "tcp://[::1]x", "tcp://h:", "tcp://h:5x", "tcp://h:123456",
                            "rtu+tcp://h", "tcp://a b:1", "COM1"})
        EXPECT_FALSE(ParseNetworkPort(bad, p)) << bad;
}

TEST(MbapFrames, FoundBySkippingOtherTransactionsSafeOnAnyBytes)
{
    const Bytes pdu = {0x01, 0x03, 0x02, 0x00, 0x05};
    const Bytes a = MbapFrame::Wrap(7, pdu.data(), pdu.size());
    EXPECT_EQ(a, (Bytes{0x00, 0x07, 0x00, 0x00, 0x00, 0x05, 0x01, 0x03, 0x02, 0x00, 0x05}));
    Bytes two = MbapFrame::Wrap(6, pdu.data(), pdu.size());
    two.insert(two.end(), a.begin(), a.end());
    auto m = MbapFrame::Find(two.data(), two.size(), 7);
    EXPECT_EQ(m.found, MbapFrame::Found::Answer);
    EXPECT_EQ(m.offset, 11u);
    EXPECT_EQ(m.length, 11u);
    EXPECT_EQ(MbapFrame::Find(two.data(), 15, 7).found, MbapFrame::Found::Incomplete);
    EXPECT_EQ(MbapFrame::Find(two.data(), two.size(), 8).found, MbapFrame::Found::Incomplete);
    Bytes zeroLength = a;
    zeroLength[5] = 0;
    EXPECT_EQ(MbapFrame::Find(zeroLength.data(), zeroLength.size(), 7).found, MbapFrame::Found::BadHeader);
    // Every split of noise and frames is sorted without reading past the bytes.
    for (size_t cut = 0; cut <= two.size(); ++cut) {
        const auto pieces = FrameDecoder::SplitMbap(two.data(), cut, 7, 1);
        size_t total = 0;
        for (const auto& piece : pieces) total += piece.bytes.size();
        EXPECT_EQ(total, cut);
    }
}

}  // namespace
