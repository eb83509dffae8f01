// Listen-only: the frames of another master and its slaves cut and sorted
// from the bytes as a port delivers them, and the listener on a real pty.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "Crc.h"
#include "FrameDecoder.h"
#include "FrameRecorder.h"
#include "LineListener.h"
#include "PtyBridge.h"

namespace {

using namespace std::chrono_literals;
using Clock = CapturedFrame::Clock;
using Bytes = std::vector<uint8_t>;

Bytes WithCrc(Bytes frame)
{
    const uint16_t crc = ComputeCrc(frame.data(), frame.size());
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    return frame;
}

const Bytes kRead = WithCrc({0x01, 0x03, 0x00, 0x60, 0x00, 0x02});
const Bytes kReadAnswer = WithCrc({0x01, 0x03, 0x04, 0x00, 0x0A, 0x01, 0x02});
const Bytes kWrite = WithCrc({0x11, 0x06, 0x00, 0x77, 0x00, 0x01});

struct Heard {
    std::vector<CapturedFrame> frames;
    CLineFrameSplitter splitter{[this](const CapturedFrame& f) { frames.push_back(f); }, 4ms, 20ms};
    Clock::time_point t = Clock::now();

    // Bytes arrive, then the line stays silent long enough to end them.
    void Burst(const Bytes& bytes)
    {
        splitter.Feed(bytes.data(), bytes.size(), t);
        t += 30ms;
        splitter.Idle(t);
    }
    std::vector<FrameKind> Kinds() const
    {
        std::vector<FrameKind> kinds;
        for (const auto& f : frames) kinds.push_back(f.kind);
        return kinds;
    }
};

TEST(LineFrameSplitter, SortsRequestsAndAnswersOfAnotherMaster)
{
    Heard h;
    h.Burst(kRead);
    h.Burst(kReadAnswer);
    h.Burst(kWrite);
    h.Burst(kWrite);  // the slave echoes a single-register write
    ASSERT_EQ(h.Kinds(), (std::vector{FrameKind::Request, FrameKind::Answer, FrameKind::Request, FrameKind::Answer}));
    for (const auto& f : h.frames) EXPECT_TRUE(f.heard);
    EXPECT_EQ(FrameDecoder::Describe(h.frames[0]), "read 96..97 (2)");
    EXPECT_EQ(FrameDecoder::Describe(h.frames[1]), "2 registers");
    EXPECT_EQ(h.frames[1].request, kRead);
    EXPECT_EQ(h.frames[1].roundTrip, 30ms);
    EXPECT_EQ(h.frames[3].slave, 0x11);
    EXPECT_EQ(FrameDecoder::Direction(h.frames[0]), std::string("MA"));
    EXPECT_EQ(FrameDecoder::Direction(h.frames[1]), std::string("SL"));
}

TEST(LineFrameSplitter, FramesInOneChunkOrSplitOverSeveral)
{
    Heard h;
    // Request and answer back to back, as a USB adapter may deliver them.
    Bytes both = kRead;
    both.insert(both.end(), kReadAnswer.begin(), kReadAnswer.end());
    h.splitter.Feed(both.data(), both.size(), h.t);
    EXPECT_EQ(h.Kinds(), (std::vector{FrameKind::Request, FrameKind::Answer}));

    // A frame in three chunks with short gaps between them is one frame.
    h.frames.clear();
    h.splitter.Feed(kWrite.data(), 3, h.t);
    h.t += 5ms;
    h.splitter.Idle(h.t);
    h.splitter.Feed(kWrite.data() + 3, 2, h.t);
    h.t += 5ms;
    h.splitter.Idle(h.t);
    h.splitter.Feed(kWrite.data() + 5, 3, h.t);
    ASSERT_EQ(h.Kinds(), std::vector{FrameKind::Request});
    EXPECT_EQ(h.frames[0].bytes, kWrite);
}

TEST(LineFrameSplitter, KeepsWhatIsNotAFrame)
{
    Heard h;
    // Noise before a request, in the same burst.
    Bytes noisy = {0xFF, 0x00};
    noisy.insert(noisy.end(), kRead.begin(), kRead.end());
    h.Burst(noisy);
    ASSERT_EQ(h.Kinds(), (std::vector{FrameKind::Noise, FrameKind::Request}));
    EXPECT_EQ(h.frames[0].bytes, (Bytes{0xFF, 0x00}));

    // An answer with a spoiled CRC: a bad frame of that slave, not lost.
    Bytes spoiled = kReadAnswer;
    spoiled.back() ^= 0x55;
    h.frames.clear();
    h.Burst(spoiled);
    ASSERT_EQ(h.Kinds(), std::vector{FrameKind::BadCrc});
    EXPECT_EQ(h.frames[0].bytes, spoiled);
    EXPECT_EQ(h.frames[0].slave, 1);

    // A cut-off frame waits for its rest, then goes out as it is.
    h.frames.clear();
    h.splitter.Feed(kWrite.data(), 5, h.t);
    h.t += 10ms;
    h.splitter.Idle(h.t);
    EXPECT_TRUE(h.frames.empty());
    h.t += 30ms;
    h.splitter.Idle(h.t);
    ASSERT_EQ(h.Kinds(), std::vector{FrameKind::BadCrc});
    EXPECT_EQ(h.frames[0].bytes.size(), 5u);
}

TEST(LineFrameSplitter, MarksRequestsNoSlaveAnswered)
{
    Heard h;
    h.Burst(kRead);
    h.Burst(kRead);  // the master asks again: the first went unanswered
    ASSERT_EQ(h.Kinds(), (std::vector{FrameKind::Request, FrameKind::Timeout, FrameKind::Request}));
    EXPECT_EQ(h.frames[1].slave, 1);
    EXPECT_EQ(FrameDecoder::Describe(h.frames[1]), "no answer heard");

    // A broadcast is never answered: no marker for it.
    Heard b;
    b.Burst(WithCrc({0x00, 0x06, 0x00, 0x77, 0x00, 0x01}));
    b.Burst(kRead);
    EXPECT_EQ(b.Kinds(), (std::vector{FrameKind::Request, FrameKind::Request}));

    // An exception answers the request with its code as the result.
    Heard e;
    e.Burst(kRead);
    e.Burst(WithCrc({0x01, 0x83, 0x02}));
    ASSERT_EQ(e.Kinds(), (std::vector{FrameKind::Request, FrameKind::Answer}));
    EXPECT_EQ(e.frames[1].result, 2u);

    FrameDecoder::CCounters counters;
    for (const auto& f : h.frames) counters.Count(f);
    EXPECT_EQ(counters.Of(1).requests, 2u);
    EXPECT_EQ(counters.Of(1).timeouts, 1u);
}

TEST(LineFrameSplitter, AnyBytesAreSafe)
{
    // Random bytes in random chunks: every byte comes out exactly once.
    std::vector<CapturedFrame> frames;
    CLineFrameSplitter splitter([&](const CapturedFrame& f) { frames.push_back(f); }, 4ms, 20ms);
    uint32_t seed = 12345;
    size_t fed = 0;
    auto t = Clock::now();
    for (int round = 0; round < 2000; ++round) {
        seed = seed * 1664525u + 1013904223u;
        const size_t n = 1 + (seed >> 24) % 40;
        Bytes chunk(n);
        for (auto& b : chunk) {
            seed = seed * 1664525u + 1013904223u;
            b = static_cast<uint8_t>(seed >> 24);
        }
        if (round % 7 == 0) chunk = kReadAnswer;
        splitter.Feed(chunk.data(), chunk.size(), t);
        fed += chunk.size();
        t += (seed & 1) ? 1ms : 50ms;
        splitter.Idle(t);
    }
    splitter.Finish();
    size_t out = 0;
    for (const auto& f : frames)
        if (f.kind != FrameKind::Timeout) out += f.bytes.size();
    EXPECT_EQ(out, fed);
}

TEST(LineListener, HearsTheLineAndSendsNothing)
{
    CPtyBridge bridge;
    ASSERT_TRUE(bridge.Ok());
    CFrameRecorder heard;
    CLineListener listener;
    ASSERT_TRUE(listener.Start(bridge.PathA(), "19200,n,8,2", heard));
    const int line = bridge.OpenRawB();
    ASSERT_GE(line, 0);
    ASSERT_EQ(::write(line, kRead.data(), kRead.size()), static_cast<ssize_t>(kRead.size()));
    std::this_thread::sleep_for(30ms);
    ASSERT_EQ(::write(line, kReadAnswer.data(), kReadAnswer.size()), static_cast<ssize_t>(kReadAnswer.size()));
    for (int i = 0; i < 100 && heard.Frames().size() < 2; ++i) std::this_thread::sleep_for(10ms);
    const auto frames = heard.Frames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].bytes, kRead);
    EXPECT_EQ(frames[1].kind, FrameKind::Answer);

    // Nothing went out on the line.
    const int flags = ::fcntl(line, F_GETFL);
    ::fcntl(line, F_SETFL, flags | O_NONBLOCK);
    uint8_t byte;
    EXPECT_LT(::read(line, &byte, 1), 1);
    ::close(line);

    // The port is held while listening, and comes free on Stop.
    CLineListener second;
    EXPECT_FALSE(second.Start(bridge.PathA(), "19200,n,8,2", heard));
    listener.Stop();
    EXPECT_TRUE(second.Start(bridge.PathA(), "19200,n,8,2", heard));
    second.Stop();

    // A bad mode text or port is refused with a reason.
    EXPECT_FALSE(listener.Start(bridge.PathA(), "fast", heard));
    EXPECT_EQ(listener.LastOpenError().reason, PortOpenReason::SettingsNotSupported);
    EXPECT_FALSE(listener.Start("/dev/zoric-no-such-port", "9600,n,8,2", heard));
    EXPECT_FALSE(listener.Start("tcp://127.0.0.1:502", "9600,n,8,2", heard));
    EXPECT_EQ(listener.LastOpenError().reason, PortOpenReason::NotSerial);
}

TEST(LineListener, AnUnpluggedAdapterEndsTheListening)
{
    CPtyBridge bridge;
    ASSERT_TRUE(bridge.Ok());
    CFrameRecorder heard;
    CLineListener listener;
    ASSERT_TRUE(listener.Start(bridge.PathA(), "9600,n,8,2", heard));
    bridge.HangUpA();
    for (int i = 0; i < 200 && !listener.IsLost(); ++i) std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(listener.IsLost());
    listener.Stop();
}

}  // namespace
