// The master against a scripted slave over real ttys: exact request bytes,
// the response rules, and every way a response can go wrong.
#include <gtest/gtest.h>

#include <chrono>

#include "Language.h"
#include "LinkFixture.h"

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

namespace {

class Link : public LinkFixture {};

TEST_F(Link, ReadSendsTheExactFrameAndCopiesTheDataAsReceived)
{
    AnswerAlways({0x01, 0x03, 0x02, 0x12, 0x34});
    uint8_t data[2] = {};
    uint16_t length = 2;
    ASSERT_EQ(master.ReadHoldingRegisters(1, 0, 1, data, &length), 0u);
    EXPECT_EQ(LastRequest(), (Bytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0A}));
    EXPECT_EQ(length, 2);
    EXPECT_EQ(data[0], 0x12);
    EXPECT_EQ(data[1], 0x34);
    EXPECT_EQ(master.GetLastRequest(), (Bytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0A}));
    EXPECT_EQ(master.GetLastResponse(), WithCrc({0x01, 0x03, 0x02, 0x12, 0x34}));
}

TEST_F(Link, ReadCopiesNoMoreThanAskedAndTakesNoOtherRegisterCount)
{
    AnswerAlways({0x01, 0x03, 0x02, 0xAA, 0xBB});
    uint8_t data[4] = {};
    uint16_t length = 4;
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 2, data, &length), kResultBadResponse)
        << "one register for two asked is not this request's answer";
    EXPECT_EQ(length, 4) << "nothing copied";

    slave.reset();
    AnswerAlways({0x01, 0x03, 0x04, 1, 2, 3, 4});
    uint8_t small[4] = {0, 0, 0x55, 0x55};
    length = 2;
    ASSERT_EQ(master.ReadHoldingRegisters(1, 0, 2, small, &length), 0u);
    EXPECT_EQ(length, 2);
    EXPECT_EQ(small[2], 0x55) << "nothing written past the caller's length";
}

TEST_F(Link, ARegisterReadGivesHostOrderValuesAndAsksForNoMoreThanAFrameHolds)
{
    AnswerAlways({0x01, 0x03, 0x04, 0x12, 0x34, 0xFF, 0xFE});
    uint16_t values[2] = {};
    ASSERT_EQ(master.ReadRegisters(1, 96, 2, values), 0u);
    EXPECT_EQ(LastRequest(), WithCrc({0x01, 0x03, 0x00, 0x60, 0x00, 0x02}));
    EXPECT_EQ(values[0], 0x1234);
    EXPECT_EQ(values[1], 0xFFFE);
    uint16_t many[126] = {};
    EXPECT_EQ(master.ReadRegisters(1, 0, 126, many), kResultTooLong) << "more than one answer can carry";
    EXPECT_EQ(master.ReadRegisters(1, 0, 0, many), kResultTooLong);
}

TEST_F(Link, WritesEchoAddressValueStartAndCount)
{
    Answer([](const Bytes& req) {
        Bytes echo(req.begin(), req.begin() + 6);
        return SlaveReply::Bytes(WithCrc(echo));
    });
    uint16_t a = 0, v = 0;
    ASSERT_EQ(master.WriteSingleRegister(1, 67, 500, &a, &v), 0u);
    EXPECT_EQ(LastRequest(), WithCrc({0x01, 0x06, 0x00, 0x43, 0x01, 0xF4}));
    EXPECT_EQ(a, 67);
    EXPECT_EQ(v, 500);

    uint16_t values[2] = {0x0001, 0xFFFE};
    ASSERT_EQ(master.WriteMultipleRegisters(1, 0x100, values, 2, &a, &v), 0u);
    EXPECT_EQ(LastRequest(), WithCrc({0x01, 0x10, 0x01, 0x00, 0x00, 0x02, 0x04, 0x00, 0x01, 0xFF, 0xFE}));
    EXPECT_EQ(a, 0x100);
    EXPECT_EQ(v, 2);
}

TEST_F(Link, ThirtyOneRegistersGoOutThirtyTwoAreRefusedUnsent)
{
    Answer([](const Bytes& req) { return SlaveReply::Bytes(WithCrc(Bytes(req.begin(), req.begin() + 6))); });
    uint16_t values[32] = {};
    ASSERT_EQ(master.WriteMultipleRegisters(1, 0, values, 31), 0u);
    EXPECT_EQ(LastRequest().size(), 71u);
    EXPECT_EQ(master.WriteMultipleRegisters(1, 0, values, 32), kResultTooLong);
    EXPECT_EQ(master.WriteMultipleRegisters(1, 0, nullptr, 1), kResultTooLong);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(slave->Requests().size(), 1u);
}

TEST_F(Link, ExceptionResponsesGiveTheirCode)
{
    Answer([](const Bytes& req) {
        return SlaveReply::Bytes(
            WithCrc({0x01, static_cast<uint8_t>(req[1] | 0x80), req[1] == 0x03 ? uint8_t{2} : uint8_t{0x40}}));
    });
    uint8_t data[2];
    uint16_t length = 2;
    EXPECT_EQ(master.ReadHoldingRegisters(1, 9999, 1, data, &length), 2u);
    EXPECT_EQ(master.WriteSingleRegister(1, 96, 1), 0x40u);
    SetLanguage(Language::Chinese);
    EXPECT_EQ(CModbusMaster::ResultText(0x40), "不允许操作");
}

TEST_F(Link, AnswerFromAnotherSlaveTimesOutRatherThanBadResponse)
{
    AnswerAlways({0x02, 0x03, 0x02, 0x00, 0x01});
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 1, nullptr, nullptr), kResultTimeout);
    EXPECT_GE(std::chrono::steady_clock::now() - t0, 990ms);
}

TEST_F(Link, ValidFrameWithTheWrongFunctionIsABadResponse)
{
    AnswerAlways({0x01, 0x06, 0x00, 0x00, 0x00, 0x01});
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 1, nullptr, nullptr), kResultBadResponse);
}

TEST_F(Link, ResponseInPiecesWithPausesIsAssembled)
{
    Bytes frame = WithCrc({0x01, 0x03, 0x04, 0x11, 0x22, 0x33, 0x44});
    Answer([frame](const Bytes&) {
        SlaveReply r;
        r.pieces.push_back({Bytes(frame.begin(), frame.begin() + 2), 0ms});
        r.pieces.push_back({Bytes(frame.begin() + 2, frame.begin() + 5), 30ms});
        r.pieces.push_back({Bytes(frame.begin() + 5, frame.end()), 60ms});
        return r;
    });
    uint8_t data[4];
    uint16_t length = 4;
    ASSERT_EQ(master.ReadHoldingRegisters(1, 0, 2, data, &length), 0u);
    EXPECT_EQ(data[3], 0x44);
}

TEST_F(Link, TrailingBytesAfterAFrameTimeOut)
{
    Bytes frame = WithCrc({0x01, 0x03, 0x02, 0x00, 0x01});
    frame.push_back(0x55);
    Answer([frame](const Bytes&) { return SlaveReply::Bytes(frame); });
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 1, nullptr, nullptr), kResultTimeout);
    EXPECT_EQ(master.GetLastResponse().size(), frame.size()) << "the frame line still shows what came";
}

TEST_F(Link, SilenceAndBroadcastTimeOut)
{
    Answer([](const Bytes&) { return SlaveReply::Silent(); });
    EXPECT_EQ(master.WriteSingleRegister(0, 64, 1), kResultTimeout);
    EXPECT_EQ(LastRequest()[0], 0x00) << "broadcast goes out like any other request";
}

TEST_F(Link, ALateAnswerDoesNotCompleteTheNextTransaction)
{
    int n = 0;
    Answer([&n](const Bytes& req) {
        if (n++ == 0) return SlaveReply{{{WithCrc({0x01, 0x03, 0x02, 0xDE, 0xAD}), 1100ms}}};
        return SlaveReply::Bytes(WithCrc({0x01, 0x03, 0x02, 0x00, static_cast<uint8_t>(req[3])}));
    });
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 1, nullptr, nullptr), kResultTimeout);
    std::this_thread::sleep_for(200ms);  // the late answer arrives between transactions
    uint8_t data[2];
    uint16_t length = 2;
    ASSERT_EQ(master.ReadHoldingRegisters(1, 7, 1, data, &length), 0u);
    EXPECT_EQ(data[1], 7);
}

TEST_F(Link, ClosedPortFailsAtOnceAndPortNumbersAreChecked)
{
    CModbusMaster closed;
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(closed.ReadHoldingRegisters(1, 0, 1, nullptr, nullptr), kResultPortNotOpen);
    EXPECT_EQ(closed.WriteSingleRegister(1, 0, 0), kResultPortNotOpen);
    uint16_t v = 0;
    EXPECT_EQ(closed.WriteMultipleRegisters(1, 0, &v, 1), kResultPortNotOpen);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 50ms);
    EXPECT_FALSE(closed.OpenWithMode(0u, "9600,n,8,2"));
    EXPECT_FALSE(closed.OpenWithMode(1025u, "9600,n,8,2"));
    EXPECT_FALSE(closed.IsPortOpen());

    AnswerAlways({0x01, 0x03, 0x02, 0x00, 0x01});
    EXPECT_FALSE(master.OpenWithMode(line.PathA(), "9600,n,8,2")) << "already open";
    EXPECT_TRUE(master.IsPortOpen());
    EXPECT_FALSE(closed.OpenWithMode(line.PathA(), "9600,n,8,2")) << "held by another master";
    master.ClosePort();
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 1, nullptr, nullptr), kResultPortNotOpen);
    EXPECT_FALSE(closed.OpenWithMode(line.PathA(), "bogus")) << "bad mode text";
    EXPECT_FALSE(closed.IsPortOpen());
}

TEST_F(Link, OpenPortBuildsTheModeFromTheConnectionSettings)
{
    AnswerAlways({0x01, 0x03, 0x02, 0x00, 0x01});
    master.ClosePort();
    EXPECT_FALSE(master.OpenPort(line.PathA(), 14401, 0)) << "no such rate";
    EXPECT_TRUE(master.OpenPort(line.PathA(), 14400, 2)) << "a combo rate without a termios constant";
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 1, nullptr, nullptr), 0u);
}

}  // namespace
