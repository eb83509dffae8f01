#include <gtest/gtest.h>

#include "DriveSimulator.h"
#include "RawLine.h"
#include "SimCommandLine.h"

using namespace zoric::sim;
using Bytes = RawLine::Bytes;

namespace {

// Two drives, at 3 and 17, on one line.
class SimMultiDrop : public ::testing::Test {
protected:
    void SetUp() override
    {
        SimOptions options;
        options.slaveAddress = 3;
        options.otherSlaves = {17};
        m_sim = std::make_unique<CDriveSimulator>(options);
        ASSERT_TRUE(m_sim->Start()) << m_sim->LastError();
    }

    std::unique_ptr<CDriveSimulator> m_sim;
};

// The value of a one-register read answer, or -1 for anything else.
int ValueOf(const Bytes& answer, std::uint8_t slave)
{
    if (answer.size() != 7 || answer[0] != slave || answer[1] != 0x03 || answer[2] != 2) return -1;
    return answer[3] << 8 | answer[4];
}

}  // namespace

TEST_F(SimMultiDrop, EachAddressIsItsOwnDriveAndOnlyItAnswers)
{
    RawLine line(m_sim->SlavePath());
    // Each drive reports its own address in register 156.
    EXPECT_EQ(ValueOf(line.Exchange({3, 0x03, 0x00, 156, 0x00, 0x01}), 3), 3);
    EXPECT_EQ(ValueOf(line.Exchange({17, 0x03, 0x00, 156, 0x00, 0x01}), 17), 17);
    EXPECT_TRUE(line.Exchange({1, 0x03, 0x00, 0x00, 0x00, 0x01}, 150).empty());

    // A write to one leaves the other as it was.
    const std::uint16_t before = m_sim->GetRegisterOf(17, 106);
    const Bytes write = {3, 0x06, 0x00, 106, 0x01, 0x23};
    Bytes echo = write;
    AppendCrc(echo);
    EXPECT_EQ(line.Exchange(write), echo);
    EXPECT_EQ(m_sim->GetRegister(106), 0x123);
    EXPECT_EQ(m_sim->GetRegisterOf(3, 106), 0x123);
    EXPECT_EQ(m_sim->GetRegisterOf(17, 106), before);
    m_sim->SetRegisterOf(17, 106, 0x77);
    EXPECT_EQ(ValueOf(line.Exchange({17, 0x03, 0x00, 106, 0x00, 0x01}), 17), 0x77);
    EXPECT_EQ(m_sim->GetRegister(106), 0x123);

    // A broadcast reaches both and nobody answers it.
    EXPECT_TRUE(line.Exchange({0, 0x06, 0x00, 106, 0x02, 0x00}, 150).empty());
    EXPECT_EQ(m_sim->GetRegisterOf(3, 106), 0x200);
    EXPECT_EQ(m_sim->GetRegisterOf(17, 106), 0x200);
    EXPECT_EQ(m_sim->GetRegisterOf(99, 106), 0);
}

TEST_F(SimMultiDrop, InjectedFaultsSpoilWhicheverDriveAnswers)
{
    RawLine line(m_sim->SlavePath());
    m_sim->InjectFault(SimFault::WrongSlave, 1);
    const Bytes spoiled = line.Exchange({17, 0x03, 0x00, 156, 0x00, 0x01});
    ASSERT_FALSE(spoiled.empty());
    EXPECT_EQ(spoiled[0], 18);
    EXPECT_EQ(ValueOf(line.Exchange({17, 0x03, 0x00, 156, 0x00, 0x01}), 17), 17);
}

TEST(SimMultiDropFaults, OneSilentDriveAndOneFailingDriveLeaveTheOthersAnswering)
{
    const char* args[] = {"zoric-sim", "--slave", "1,3,5,7", "--fault", "no-answer@3=1", "--fault", "exception@7=1"};
    const SimCommandLine cl = ParseSimCommandLine(7, args);
    ASSERT_TRUE(cl.error.empty()) << cl.error;
    CDriveSimulator sim(cl.options);
    ASSERT_TRUE(sim.Start()) << sim.LastError();
    RawLine line(sim.SlavePath());
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(ValueOf(line.Exchange({1, 0x03, 0x00, 156, 0x00, 0x01}), 1), 1);
        EXPECT_TRUE(line.Exchange({3, 0x03, 0x00, 156, 0x00, 0x01}, 150).empty());
        EXPECT_EQ(ValueOf(line.Exchange({5, 0x03, 0x00, 156, 0x00, 0x01}), 5), 5);
        Bytes failure = {7, 0x83, 0x04};
        AppendCrc(failure);
        EXPECT_EQ(line.Exchange({7, 0x03, 0x00, 156, 0x00, 0x01}), failure);
    }
    EXPECT_EQ(sim.FaultCount(SimFault::NoAnswer), 2u);
    EXPECT_EQ(sim.FaultCount(SimFault::Exception), 2u);
    // The drive still obeys what it does not answer.
    EXPECT_TRUE(line.Exchange({3, 0x06, 0x00, 106, 0x01, 0x11}, 150).empty());
    EXPECT_EQ(sim.GetRegisterOf(3, 106), 0x111);
}
