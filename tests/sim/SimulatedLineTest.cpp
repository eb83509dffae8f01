// The simulated line without a device under it, as an in-process transport
// uses it: requests heard at a given time, answers taken when they are due.
#include <gtest/gtest.h>

#include <thread>

#include "SimulatedLine.h"
#include "SlaveCrc.h"

using namespace zoric::sim;
using namespace std::chrono_literals;
using Frame = CSimulatedLine::Frame;
using Clock = CSimulatedLine::Clock;

namespace {

Frame WithCrc(Frame frame)
{
    AppendCrc(frame);
    return frame;
}

// Reads registers 0x60.. of `slave`: an answer of 5 + 2 * count bytes.
Frame ReadRequest(std::uint8_t slave, std::uint8_t count = 4)
{
    return WithCrc({slave, 0x03, 0x00, 0x60, 0x00, count});
}

SimOptions LineOf(std::vector<std::uint8_t> slaves)
{
    SimOptions o;
    o.slaveAddress = slaves.front();
    o.otherSlaves.assign(slaves.begin() + 1, slaves.end());
    o.lateAnswerMs = 500;
    o.splitPauseMs = 30;
    return o;
}

// What the line sends back to one request heard now, all of it.
Frame Answer(CSimulatedLine& line, const Frame& request)
{
    const auto now = Clock::now();
    line.Hear(request, now);
    return line.TakeOutput(now + 10s);
}

bool IsReadAnswerOf(const Frame& answer, std::uint8_t slave)
{
    return answer.size() >= 5 && answer[0] == slave && answer[1] == 0x03 && HasValidCrc(answer.data(), answer.size());
}

}  // namespace

TEST(SimulatedLine, AnswersAreDueWhenTheFaultSays)
{
    CSimulatedLine line(LineOf({1}));
    EXPECT_FALSE(line.NextOutputDue());

    // A plain answer is due at once, whole.
    const auto t0 = Clock::now();
    line.Hear(ReadRequest(1), t0);
    EXPECT_EQ(line.NextOutputDue(), t0);
    const Frame normal = line.TakeOutput(t0);
    EXPECT_TRUE(IsReadAnswerOf(normal, 1));
    EXPECT_EQ(normal.size(), 13u);
    EXPECT_FALSE(line.NextOutputDue());
    EXPECT_TRUE(line.TakeOutput(t0 + 1s).empty());

    // A late one after lateAnswerMs, not a moment before.
    line.InjectFault(SimFault::LateAnswer, 1);
    const auto t1 = Clock::now();
    line.Hear(ReadRequest(1), t1);
    EXPECT_EQ(line.NextOutputDue(), t1 + 500ms);
    EXPECT_TRUE(line.TakeOutput(t1 + 499ms).empty());
    EXPECT_EQ(line.TakeOutput(t1 + 500ms), normal);

    // A split one in three pieces, a pause apart.
    line.InjectFault(SimFault::SplitResponse, 1);
    const auto t2 = Clock::now();
    line.Hear(ReadRequest(1), t2);
    const Frame first = line.TakeOutput(t2);
    EXPECT_EQ(first.size(), 4u);
    EXPECT_EQ(line.NextOutputDue(), t2 + 30ms);
    EXPECT_TRUE(line.TakeOutput(t2 + 29ms).empty());
    const Frame second = line.TakeOutput(t2 + 30ms);
    EXPECT_EQ(second.size(), 4u);
    EXPECT_EQ(line.NextOutputDue(), t2 + 60ms);
    const Frame third = line.TakeOutput(t2 + 60ms);
    Frame all = first;
    all.insert(all.end(), second.begin(), second.end());
    all.insert(all.end(), third.begin(), third.end());
    EXPECT_EQ(all, normal);
    EXPECT_FALSE(line.NextOutputDue());

    // Silence, a damaged request and another slave's request queue nothing.
    line.InjectFault(SimFault::NoAnswer, 1);
    line.Hear(ReadRequest(1), t2);
    Frame damaged = ReadRequest(1);
    damaged.back() ^= 0x01;
    line.Hear(damaged, t2);
    line.Hear(ReadRequest(2), t2);
    EXPECT_FALSE(line.NextOutputDue());
    EXPECT_EQ(line.CrcErrorCount(), 1u);
    EXPECT_EQ(line.RequestCount(), 5u);
    EXPECT_EQ(line.AnswerCount(), 4u);
    EXPECT_EQ(line.FaultCount(SimFault::NoAnswer), 1u);
    EXPECT_EQ(line.FaultCount(SimFault::SplitResponse), 1u);
}

TEST(SimulatedLine, PacingGivesOneCharacterPerCharacterTime)
{
    SimOptions options = LineOf({1});
    options.pacing = true;
    CSimulatedLine line(options);
    const auto ct = line.CharTime();
    // 11 bits (start, 8 data, 2 stop) at 9600 baud.
    EXPECT_NEAR(std::chrono::duration<double>(ct).count(), 11.0 / 9600, 1e-7);

    const auto t0 = Clock::now();
    line.Hear(ReadRequest(1, 28), t0);  // 61 bytes
    EXPECT_EQ(line.PeekOutput(t0).size(), 1u);
    line.ConsumeOutput(1);
    EXPECT_EQ(line.NextOutputDue(), t0 + ct);
    EXPECT_TRUE(line.PeekOutput(t0 + ct - 1us).empty());

    // A carrier that can write only part of what is due gets the rest next time.
    EXPECT_EQ(line.PeekOutput(t0 + 5 * ct).size(), 5u);
    line.ConsumeOutput(2);
    EXPECT_EQ(line.NextOutputDue(), t0 + 3 * ct);
    EXPECT_EQ(line.PeekOutput(t0 + 5 * ct).size(), 3u);
    line.ConsumeOutput(3);

    Frame rest = line.TakeOutput(t0 + 59 * ct);
    EXPECT_EQ(rest.size(), 54u);
    EXPECT_EQ(line.TakeOutput(t0 + 60 * ct).size(), 1u);
    EXPECT_FALSE(line.NextOutputDue());
}

// Drives 1, 3 and 5 on one line with faults of their own.
TEST(SimulatedLine, FaultsOfOneDriveLeaveTheOthersAlone)
{
    SimOptions options = LineOf({1, 3, 5});
    options.driveFaults.push_back({3, SimFault::NoAnswer, false, 1.0, 0});
    CSimulatedLine line(options);
    for (int round = 0; round < 3; ++round) {
        EXPECT_TRUE(IsReadAnswerOf(Answer(line, ReadRequest(1)), 1));
        EXPECT_TRUE(Answer(line, ReadRequest(3)).empty());
        EXPECT_TRUE(IsReadAnswerOf(Answer(line, ReadRequest(5)), 5));
    }
    EXPECT_EQ(line.FaultCount(SimFault::NoAnswer), 3u);

    // A fault armed for one drive counts that drive's answers only.
    line.ClearFaults();
    line.InjectFault(SimFault::BadCrc, 2, 5);
    EXPECT_TRUE(IsReadAnswerOf(Answer(line, ReadRequest(1)), 1));
    EXPECT_TRUE(IsReadAnswerOf(Answer(line, ReadRequest(3)), 3));
    for (int spoiled = 0; spoiled < 2; ++spoiled) {
        const Frame answer = Answer(line, ReadRequest(5));
        EXPECT_FALSE(answer.empty());
        EXPECT_FALSE(HasValidCrc(answer.data(), answer.size()));
        EXPECT_TRUE(IsReadAnswerOf(Answer(line, ReadRequest(1)), 1));
    }
    EXPECT_TRUE(IsReadAnswerOf(Answer(line, ReadRequest(5)), 5));
    EXPECT_EQ(line.FaultCount(SimFault::BadCrc), 2u);

    // A drive's own chance replaces the line's; the line's armed faults
    // come after the drive's own.
    line.SetFaultProbability(SimFault::WrongSlave, 1.0);
    line.SetFaultProbability(SimFault::WrongSlave, 0.0, 3);
    EXPECT_EQ(Answer(line, ReadRequest(1))[0], 2);
    EXPECT_TRUE(IsReadAnswerOf(Answer(line, ReadRequest(3)), 3));
    line.InjectFault(SimFault::TrailingBytes, 1);
    line.InjectFault(SimFault::NoAnswer, 1, 3);
    EXPECT_TRUE(Answer(line, ReadRequest(3)).empty());
    EXPECT_EQ(Answer(line, ReadRequest(3)).size(), 15u);
    EXPECT_TRUE(IsReadAnswerOf(Answer(line, ReadRequest(3)), 3));
}

// The way an in-process transport drives it: requests from one thread,
// the answers taken by another, the registers looked at from a third.
TEST(SimulatedLine, ServesThreeThreadsAtOnce)
{
    CSimulatedLine line(LineOf({1, 2}));
    constexpr int kRequests = 200;
    std::atomic<bool> done{false};
    std::size_t received = 0;
    std::thread receiver([&] {
        while (!done || line.NextOutputDue()) received += line.TakeOutput(Clock::now()).size();
    });
    std::thread looker([&] {
        while (!done) line.SetRegisterOf(2, 106, static_cast<std::uint16_t>(line.GetRegister(106) + 1));
    });
    for (int i = 0; i < kRequests; ++i) line.Hear(ReadRequest(i % 2 ? 1 : 2), Clock::now());
    done = true;
    receiver.join();
    looker.join();
    EXPECT_EQ(received, kRequests * 13u);
    EXPECT_EQ(line.AnswerCount(), std::uint64_t{kRequests});
}
