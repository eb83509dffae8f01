// The procedure sequence against a scripted drive (busy starts, steps, a
// cleared run word, a silent poll, the caller's stop) and against the
// simulated drive: whatever ends it, the stop write carries the last state.
#include <gtest/gtest.h>

#include <deque>
#include <mutex>
#include <thread>

#include "DriveSimulator.h"
#include "LinkFixture.h"
#include "ProcedureRunner.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

struct Poll {
    uint16_t state = 0;
    uint16_t run = 1;
    uint16_t aux = 0;
    uint16_t result0 = 0;  // the calibration's step, or the first result
    bool silent = false;
};

class ProcedureRunnerTest : public LinkFixture {
protected:
    void SetUp() override
    {
        master.SetResponseTimeout(150);
        Answer([this](const Bytes& request) { return Serve(request); });
    }

    SlaveReply Serve(const Bytes& req)
    {
        std::lock_guard<std::mutex> guard(lock);
        if (req[1] == 0x10) {
            writes.push_back(Bytes(req.begin() + 7, req.end() - 2));  // the eight data bytes
            if (busyStart && writes.size() == 1) return SlaveReply::Bytes(WithCrc({req[0], 0x90, 0x06}));
            return SlaveReply::Bytes(WithCrc({req[0], 0x10, req[2], req[3], req[4], req[5]}));
        }
        Poll poll = polls.empty() ? Poll{} : polls.front();
        if (polls.size() > 1) polls.pop_front();
        if (poll.silent) return SlaveReply::Silent();
        const uint16_t count = static_cast<uint16_t>(req[4] << 8 | req[5]);
        const uint16_t words[] = {0, poll.run, poll.state, poll.aux, 6, poll.result0, 0x11, 0x22, 0x33, 0x44, 0x55};
        Bytes reply{req[0], 0x03, static_cast<uint8_t>(2 * count)};
        for (uint16_t i = 0; i < count && i < 11; ++i) {
            reply.push_back(static_cast<uint8_t>(words[i] >> 8));
            reply.push_back(static_cast<uint8_t>(words[i] & 0xFF));
        }
        return SlaveReply::Bytes(WithCrc(reply));
    }

    ProcedureRunner::Report Follow(uint16_t procedure, int stopAfterPolls = -1)
    {
        int waits = 0;
        return ProcedureRunner::Follow(
            master, 1, procedure,
            [&](std::chrono::milliseconds period) {
                periods.push_back(period);
                std::this_thread::sleep_for(1ms);
                return stopAfterPolls >= 0 && waits++ >= stopAfterPolls;
            },
            [&](const ProcedureBlock& block) { steps.push_back(block.words[ProcedureBlock::kResult]); });
    }
    Bytes LastWrite()
    {
        std::lock_guard<std::mutex> guard(lock);
        return writes.empty() ? Bytes{} : writes.back();
    }
    size_t WriteCount()
    {
        std::lock_guard<std::mutex> guard(lock);
        return writes.size();
    }

    std::mutex lock;
    std::deque<Poll> polls;
    std::vector<Bytes> writes;
    bool busyStart = false;
    std::vector<uint16_t> steps;
    std::vector<std::chrono::milliseconds> periods;  // asked of the caller's wait, one per poll
};

TEST_F(ProcedureRunnerTest, ABusyStartIsFollowedThroughItsStepsAndTheStopCarriesTheLastState)
{
    busyStart = true;
    ASSERT_EQ(ProcedureRunner::Start(master, 1, ProcedureBlock::kFocCalibration), kResultOk);
    EXPECT_EQ(LastWrite(), (Bytes{0, 1, 0, 1, 0, 0, 0, 0}));
    polls = {{1, 1, 0, 2}, {1, 1, 0, 2}, {1, 0, 0, 3}, {3, 1, 0x55, 0xFF88}};
    const ProcedureRunner::Report report = Follow(ProcedureBlock::kFocCalibration);
    EXPECT_EQ(report.outcome, ProcedureRunner::Outcome::Done);
    EXPECT_EQ(steps, (std::vector<uint16_t>{2, 2, 3}));  // running with its run word cleared still steps
    EXPECT_EQ(static_cast<int16_t>(report.last.words[ProcedureBlock::kResult]), -120);
    EXPECT_EQ(report.stopResult, kResultOk);
    EXPECT_EQ(LastWrite(), (Bytes{0, 0, 0, 0, 0, 3, 0, 0x55}));
}

TEST_F(ProcedureRunnerTest, EachEndingIsToldApartAndAlwaysStopped)
{
    // Learning ends when the drive clears its run word while running.
    polls = {{1, 1}, {1, 0}};
    EXPECT_EQ(Follow(ProcedureBlock::kMotorLearning).outcome, ProcedureRunner::Outcome::Aborted);
    EXPECT_TRUE(steps.empty());
    EXPECT_EQ(LastWrite(), (Bytes{0, 0, 0, 0, 0, 1, 0, 0}));

    polls = {{4, 0, 7}};
    EXPECT_EQ(Follow(ProcedureBlock::kMotorLearning).outcome, ProcedureRunner::Outcome::Failed);
    EXPECT_EQ(LastWrite(), (Bytes{0, 0, 0, 0, 0, 4, 0, 7}));

    // A silent poll: the time-out ends it; the stop carries the poll before.
    polls = {{1, 1, 9}, {0, 0, 0, 0, true}};
    const ProcedureRunner::Report silent = Follow(ProcedureBlock::kMotorLearning);
    EXPECT_EQ(silent.outcome, ProcedureRunner::Outcome::PollFailed);
    EXPECT_EQ(silent.result, kResultTimeout);
    EXPECT_EQ(LastWrite(), (Bytes{0, 0, 0, 0, 0, 1, 0, 9}));

    // The caller's stop, before any poll and after two.
    const size_t before = WriteCount();
    EXPECT_EQ(Follow(ProcedureBlock::kMotorLearning, 0).outcome, ProcedureRunner::Outcome::Stopped);
    EXPECT_EQ(WriteCount(), before + 1);
    EXPECT_EQ(LastWrite(), (Bytes(8, 0)));
    polls = {{1, 1, 2}};
    EXPECT_EQ(Follow(ProcedureBlock::kMotorLearning, 2).outcome, ProcedureRunner::Outcome::Stopped);
    EXPECT_EQ(LastWrite(), (Bytes{0, 0, 0, 0, 0, 1, 0, 2}));
}

// The drive is asked four times a second, whoever waits (a page's worker,
// zoric-cli): each poll follows a wait of 250 ms.
TEST_F(ProcedureRunnerTest, EachPollFollowsAQuarterSecondWait)
{
    polls = {{1, 1}, {1, 1}, {1, 0}};
    EXPECT_EQ(Follow(ProcedureBlock::kMotorLearning).outcome, ProcedureRunner::Outcome::Aborted);
    EXPECT_EQ(periods, std::vector<std::chrono::milliseconds>(3, 250ms));
}

TEST_F(ProcedureRunnerTest, AStartTheDriveRefusesIsReported)
{
    Answer([](const Bytes& req) { return SlaveReply::Bytes(WithCrc({req[0], 0x90, 0x02})); });
    EXPECT_EQ(ProcedureRunner::Start(master, 1, ProcedureBlock::kMotorLearning), 2u);
}

TEST(ProcedureRunnerSim, BothProceduresRunToTheirEndOnTheSimulatedDrive)
{
    zoric::sim::SimOptions options;
    options.timeScale = 0.01;
    options.startUnlearned = true;
    zoric::sim::CDriveSimulator sim(options);
    ASSERT_TRUE(sim.Start()) << sim.LastError();
    CModbusMaster master;
    master.SetResponseTimeout(1000);
    ASSERT_TRUE(master.OpenWithMode(sim.SlavePath(), "9600,n,8,2"));
    auto quickWait = [](std::chrono::milliseconds) {
        std::this_thread::sleep_for(20ms);
        return false;
    };
    for (uint16_t procedure : {ProcedureBlock::kMotorLearning, ProcedureBlock::kFocCalibration}) {
        ASSERT_EQ(ProcedureRunner::Start(master, 1, procedure), kResultOk);
        const ProcedureRunner::Report report = ProcedureRunner::Follow(master, 1, procedure, quickWait);
        EXPECT_EQ(report.outcome, ProcedureRunner::Outcome::Done) << procedure;
        EXPECT_EQ(report.stopResult, kResultOk);
        EXPECT_EQ(sim.GetRegister(225), 0) << procedure;
    }
    EXPECT_EQ(sim.GetRegister(117), 1);  // learned
    master.ClosePort();
    sim.Stop();
}

}  // namespace
