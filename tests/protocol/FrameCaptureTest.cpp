// The frame capture: every frame of the link reaches an attached monitor,
// the bytes that are not a good answer are kept and named, and the summary
// lines read the drive's requests as people would.
#include <gtest/gtest.h>

#include <mutex>
#include <thread>

#include "DriveSimulator.h"
#include "FrameDecoder.h"
#include "FrameRecorder.h"
#include "ModbusMaster.h"
#include "SlaveCrc.h"

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;
using zoric::sim::SimFault;

namespace {

Bytes WithCrc(Bytes frame)
{
    zoric::sim::AppendCrc(frame);
    return frame;
}

std::string RequestText(const Bytes& frame)
{
    const Bytes f = WithCrc(frame);
    return FrameDecoder::DescribeRequest(f.data(), f.size());
}

std::string AnswerText(const Bytes& request, const Bytes& answer)
{
    const Bytes q = WithCrc(request), a = WithCrc(answer);
    return FrameDecoder::DescribeAnswer(q.data(), q.size(), a.data(), a.size());
}

}  // namespace

TEST(FrameDecoder, SummariesOfRequestsAnswersAndTheSdoTunnel)
{
    EXPECT_EQ(RequestText({1, 0x03, 0x00, 96, 0x00, 28}), "read 96..123 (28)");
    EXPECT_EQ(RequestText({1, 0x03, 0x00, 0, 0x00, 1}), "read 0 (1)");
    EXPECT_EQ(RequestText({1, 0x06, 0x00, 119, 0x00, 1}), "write 119 = 1");
    EXPECT_EQ(RequestText({1, 0x10, 0x00, 80, 0x00, 4, 8, 0, 1, 0, 2, 0, 3, 0, 4}), "write 80..83 (4)");
    EXPECT_EQ(RequestText({1, 0x10, 0x02, 0x00, 0x00, 6, 12, 0, 0x40, 0x60, 0x41, 0, 0, 0, 0, 0, 0, 0, 0}),
              "SDO upload 6041:00");
    EXPECT_EQ(RequestText({1, 0x10, 0x02, 0x00, 0x00, 6, 12, 0, 0x2B, 0x60, 0x40, 0, 0, 0, 0, 0, 0, 0x00, 0x0F}),
              "SDO download 6040:00 = 0x0000000F");
    EXPECT_EQ(RequestText({1, 0x2B, 0x0E, 1, 0}), "device id code 1 object 0");
    EXPECT_EQ(RequestText({1, 0x10, 0x00}), "function 0x10 (short)");

    const Bytes tunnelRead = {1, 0x03, 0x02, 0x00, 0x00, 6};
    EXPECT_EQ(AnswerText(tunnelRead, {1, 0x03, 12, 0, 0x43, 0x60, 0x41, 0, 0, 0, 0, 0x00, 0x00, 0x02, 0x37}),
              "SDO uploaded 6041:00 = 0x00000237");
    EXPECT_EQ(AnswerText(tunnelRead, {1, 0x03, 12, 0, 0x80, 0x60, 0x41, 0, 0, 0, 0, 0x06, 0x02, 0x00, 0x00}),
              "SDO abort 6041:00 code 0x06020000");
    EXPECT_EQ(AnswerText({1, 0x03, 0, 96, 0, 2}, {1, 0x03, 4, 0, 1, 0, 2}), "2 registers");
    EXPECT_EQ(AnswerText({1, 0x06, 0, 119, 0, 1}, {1, 0x06, 0, 119, 0, 1}), "echo 119 = 1");
    EXPECT_EQ(AnswerText({1, 0x03, 0, 96, 0, 2}, {1, 0x83, 0x02}), "exception 2 illegal data address");
    EXPECT_EQ(AnswerText({1, 0x06, 0, 119, 0, 1}, {1, 0x86, 0x60}), "exception 96 motor not learned");
    EXPECT_EQ(FrameDecoder::ResultText(kResultTimeout), "timeout");
    EXPECT_EQ(FrameDecoder::Hex(Bytes{0x01, 0xAB, 0x00}), "01 AB 00");
}

TEST(FrameDecoder, ReceivedBytesAreSortedIntoAnswerAndTheRest)
{
    using FrameDecoder::SplitReceived;
    const Bytes good = WithCrc({1, 0x03, 2, 0x12, 0x34});
    auto kinds = [](const std::vector<FrameDecoder::Piece>& pieces) {
        std::vector<FrameKind> k;
        for (const auto& p : pieces) k.push_back(p.kind);
        return k;
    };
    EXPECT_EQ(kinds(SplitReceived(good.data(), good.size(), 1, 0x03)), std::vector{FrameKind::Answer});
    EXPECT_EQ(kinds(SplitReceived(good.data(), good.size(), 2, 0x03)), std::vector{FrameKind::WrongSlave});

    Bytes noisy = {0xFF, 0x00};
    noisy.insert(noisy.end(), good.begin(), good.end());
    noisy.push_back(0x55);
    const auto pieces = SplitReceived(noisy.data(), noisy.size(), 1, 0x03);
    ASSERT_EQ(kinds(pieces), (std::vector{FrameKind::Noise, FrameKind::Answer, FrameKind::Trailing}));
    EXPECT_EQ(pieces[0].bytes, (Bytes{0xFF, 0x00}));
    EXPECT_EQ(pieces[1].bytes, good);
    EXPECT_EQ(pieces[2].bytes, Bytes{0x55});

    Bytes spoiled = good;
    spoiled.back() ^= 0x5A;
    EXPECT_EQ(kinds(SplitReceived(spoiled.data(), spoiled.size(), 1, 0x03)), std::vector{FrameKind::BadCrc});
    const Bytes junk = {0x17, 0x42, 0x99};
    EXPECT_EQ(kinds(SplitReceived(junk.data(), junk.size(), 1, 0x03)), std::vector{FrameKind::Noise});
    EXPECT_TRUE(SplitReceived(nullptr, 0, 1, 0x03).empty());
}

// The simulated drive in-process, its faults spoiling one answer each.
TEST(FrameCapture, SpoiledWrongAndLateAnswersAreListedAndCounted)
{
    zoric::sim::CDriveSimulator sim;
    ASSERT_TRUE(sim.Start()) << sim.LastError();
    CModbusMaster master;
    ASSERT_TRUE(master.OpenPort(sim.SlavePath(), 9600, 0));
    master.SetResponseTimeout(300);
    CFrameRecorder recorder;
    master.SetFrameMonitor(&recorder);

    uint8_t data[2];
    uint16_t length = 2;
    ASSERT_EQ(master.ReadHoldingRegisters(1, 0, 1, data, &length), kResultOk);
    ASSERT_EQ(recorder.frames.size(), 2u);
    EXPECT_EQ(recorder.frames[0].bytes, master.GetLastRequest());
    EXPECT_EQ(recorder.frames[1].bytes, master.GetLastResponse());
    EXPECT_EQ(recorder.frames[1].result, kResultOk);
    EXPECT_GT(recorder.frames[1].roundTrip.count(), 0);

    sim.InjectFault(SimFault::BadCrc, 1);
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 1, data, &length), kResultTimeout);
    sim.InjectFault(SimFault::WrongSlave, 1);
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 1, data, &length), kResultTimeout);
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0xFFF0, 1, data, &length), 2u);
    sim.InjectFault(SimFault::LateAnswer, 1);
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 1, data, &length), kResultTimeout);
    std::this_thread::sleep_for(1500ms);  // the late answer comes in meanwhile
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 1, data, &length), kResultOk);
    master.SetFrameMonitor(nullptr);
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 1, data, &length), kResultOk);

    using K = FrameKind;
    EXPECT_EQ(recorder.Kinds(), (std::vector{K::Request, K::Answer,                  //
                                             K::Request, K::BadCrc, K::Timeout,      //
                                             K::Request, K::WrongSlave, K::Timeout,  //
                                             K::Request, K::Answer,                  // exception
                                             K::Request, K::Timeout,                 //
                                             K::Late, K::Request, K::Answer}));
    EXPECT_EQ(recorder.frames[6].bytes[0], 2);
    EXPECT_NE(FrameDecoder::TraceLine(recorder.frames[3]).find("| bad CRC, 7 bytes"), std::string::npos);
    EXPECT_NE(FrameDecoder::TraceLine(recorder.frames[6]).find("| wrong slave 2: 1 registers"), std::string::npos);
    EXPECT_NE(FrameDecoder::TraceLine(recorder.frames[12]).find("RX s1 01 03 02"), std::string::npos);

    FrameDecoder::SlaveCounters expected;
    expected.requests = 6;
    expected.answers = 3;
    expected.timeouts = 3;
    expected.crcErrors = 1;
    expected.exceptions = 1;
    expected.wrongSlave = 1;
    expected.late = 1;
    EXPECT_EQ(recorder.counters.Of(1), expected);
    EXPECT_EQ(recorder.counters.PerSlave().size(), 1u);
    EXPECT_EQ(sim.RequestCount(), 7u);
}
