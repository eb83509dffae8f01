// Answers that come after the master has given up on their request: never
// taken for the answer of a later one, and shown to the frame monitor as
// late. The scripted slave answers one request at a time, so an answer it
// holds back past the time-out reaches the master during the next request.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "FrameDecoder.h"
#include "FrameRecorder.h"
#include "LinkFixture.h"

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

namespace {

// The first request's answer comes 200 ms after the master's 150 ms
// time-out, during the second request; the others 50 ms after their request.
SlaveReply FirstLate(int& n, SlaveReply answer)
{
    answer.pieces.front().delay = n++ == 0 ? 350ms : 50ms;
    return answer;
}

class LateAnswer : public LinkFixture {
protected:
    void SetUp() override { master.SetResponseTimeout(150); }
};

TEST_F(LateAnswer, AReadOfOtherRegistersIsABadAnswerAndShownLate)
{
    int n = 0;
    Answer([&n](const Bytes& req) {
        // The start address as the value of each register asked for.
        Bytes answer = {0x01, 0x03, static_cast<uint8_t>(2 * req[5])};
        for (int i = 0; i < req[5]; ++i) answer.insert(answer.end(), {0x00, req[3]});
        return FirstLate(n, SlaveReply::Bytes(WithCrc(answer)));
    });
    CFrameRecorder recorder;
    master.SetFrameMonitor(&recorder);
    uint8_t data[4] = {};
    uint16_t length = 4;
    EXPECT_EQ(master.ReadHoldingRegisters(1, 3, 2, data, &length), kResultTimeout);
    master.SetResponseTimeout(1000);
    length = 2;
    EXPECT_EQ(master.ReadHoldingRegisters(1, 7, 1, data, &length), kResultBadResponse)
        << "the answer to the read of 3..4 was taken for the read of 7";
    EXPECT_EQ(length, 2);
    EXPECT_EQ(data[1], 0) << "nothing copied";
    std::this_thread::sleep_for(100ms);  // the answer to the read of 7 comes meanwhile
    ASSERT_EQ(master.ReadHoldingRegisters(1, 9, 1, data, &length), kResultOk);
    EXPECT_EQ(data[1], 9);
    master.SetFrameMonitor(nullptr);

    using K = FrameKind;
    EXPECT_EQ(recorder.Kinds(), (std::vector{K::Request, K::Timeout,  //
                                             K::Request, K::Late,     // 3..4's answer
                                             K::Late, K::Request, K::Answer}));
    EXPECT_EQ(recorder.frames[3].bytes.size(), 9u);
    EXPECT_EQ(recorder.frames[3].result, kResultBadResponse);
    EXPECT_EQ(recorder.frames[4].bytes, WithCrc({0x01, 0x03, 0x02, 0x00, 0x07})) << "7's answer, drained before 9";
    slave.reset();  // its script counts in `n`, which goes now
}

TEST_F(LateAnswer, AWriteEchoOfAnotherRegisterOrCountIsABadAnswer)
{
    int n = 0;
    auto echo = [&n](const Bytes& req) {
        return FirstLate(n, SlaveReply::Bytes(WithCrc(Bytes(req.begin(), req.begin() + 6))));
    };
    Answer(echo);
    EXPECT_EQ(master.WriteSingleRegister(1, 67, 500), kResultTimeout);
    master.SetResponseTimeout(1000);
    uint16_t address = 0, value = 0;
    EXPECT_EQ(master.WriteSingleRegister(1, 68, 500, &address, &value), kResultBadResponse);
    EXPECT_EQ(address, 0) << "the echo of 67 was taken for the write of 68";
    std::this_thread::sleep_for(100ms);
    ASSERT_EQ(master.WriteSingleRegister(1, 69, 2, &address, &value), kResultOk);
    EXPECT_EQ(address, 69);
    EXPECT_EQ(value, 2);

    slave.reset();
    n = 0;
    master.SetResponseTimeout(150);
    Answer(echo);
    uint16_t values[2] = {1, 2};
    EXPECT_EQ(master.WriteMultipleRegisters(1, 80, values, 2), kResultTimeout);
    master.SetResponseTimeout(1000);
    EXPECT_EQ(master.WriteMultipleRegisters(1, 80, values, 1), kResultBadResponse) << "an echo of 2 registers for 1";
    slave.reset();  // its thread still answers the last write, counting in `n`, which goes now
}

TEST_F(LateAnswer, AnAnswerThatFitsNoRequestIsABadOneOrNone)
{
    // An exception without its code, a write echo cut short: bad answers.
    // A read answer announcing more than it carries never completes.
    Answer([](const Bytes& req) {
        if (req[1] == 0x06) return SlaveReply::Bytes(WithCrc({0x01, 0x86, 0x00}));
        if (req[1] == 0x10) return SlaveReply::Bytes(WithCrc({0x01, 0x10, 0x00, 0x50}));
        return SlaveReply::Bytes(WithCrc({0x01, 0x03, 0x04, 0x00, 0x01}));
    });
    EXPECT_EQ(master.WriteSingleRegister(1, 64, 1), kResultBadResponse) << "exception code 0 is no exception";
    uint16_t value = 1;
    master.SetResponseTimeout(300);
    EXPECT_EQ(master.WriteMultipleRegisters(1, 80, &value, 1), kResultTimeout);
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 2, nullptr, nullptr), kResultTimeout);
}

}  // namespace
