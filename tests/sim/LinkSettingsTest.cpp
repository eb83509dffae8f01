// A drive moved to another slave address and line over the line itself, as
// the communication page does it: the tool's own master writes the new
// settings, then reopens its port with them.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>

#include "DriveSimulator.h"
#include "ModbusMaster.h"

namespace zoric::sim {
void PrintTo(const LinkSettings& link, std::ostream* out)
{
    *out << "slave " << int(link.slaveAddress) << ", " << link.baudRate << ' ' << link.parity << link.stopBits;
}
}  // namespace zoric::sim

using namespace zoric::sim;

namespace {

class SimLinkSettings : public ::testing::Test {
protected:
    void Start(bool applyLinkSettings)
    {
        SimOptions options;
        options.applyLinkSettings = applyLinkSettings;
        m_sim = std::make_unique<CDriveSimulator>(options);
        ASSERT_TRUE(m_sim->Start()) << m_sim->LastError();
        Reopen(9600, 0);
    }
    void Reopen(int baud, int parityIndex)
    {
        m_master.ClosePort();
        ASSERT_TRUE(m_master.OpenPort(m_sim->SlavePath(), baud, parityIndex)) << baud << " " << parityIndex;
        m_master.SetResponseTimeout(150);
    }
    ModbusResult Probe(std::uint8_t slave)
    {
        CommAddress address;
        return m_master.ReadCommAddress(slave, address);
    }
    ModbusResult WriteLine(std::uint8_t slave, std::uint32_t baud, std::uint16_t parityIndex)
    {
        CommParams params;
        if (const ModbusResult r = m_master.ReadCommParams(slave, params)) return r;
        params.baudHigh = static_cast<std::uint16_t>(baud >> 16);
        params.baudLow = static_cast<std::uint16_t>(baud & 0xFFFF);
        params.parity = parityIndex;
        return m_master.WriteCommParams(slave, params);
    }

    std::unique_ptr<CDriveSimulator> m_sim;
    CModbusMaster m_master;  // closed before the simulator goes
};

}  // namespace

TEST_F(SimLinkSettings, NewSlaveAddressAnswersFromTheNextRequestOn)
{
    Start(true);
    // The write's own answer still comes from address 1.
    EXPECT_EQ(m_master.WriteCommAddress(1, CommAddress{7, 0}), kResultOk);
    EXPECT_EQ(Probe(1), kResultTimeout);
    EXPECT_EQ(Probe(7), kResultOk);
    EXPECT_EQ(m_sim->CurrentLink().slaveAddress, 7);
    EXPECT_EQ(m_sim->Options().slaveAddress, 1);

    // A single-register write whose answer is lost moves the drive all the same.
    m_sim->InjectFault(SimFault::NoAnswer, 1);
    EXPECT_EQ(m_master.WriteSingleRegister(7, 0x9C, 0x20), kResultTimeout);
    EXPECT_EQ(Probe(7), kResultTimeout);
    EXPECT_EQ(Probe(0x20), kResultOk);
    // Writing the line registers alone leaves the address where it is.
    EXPECT_EQ(WriteLine(0x20, 9600, 0), kResultOk);
    EXPECT_EQ(Probe(0x20), kResultOk);
}

TEST_F(SimLinkSettings, NewBaudAndParityAnswerOnlyAMasterThatFollows)
{
    Start(true);
    EXPECT_EQ(WriteLine(1, 19200, 2), kResultOk);  // answered on 9600, none, 2 stop bits
    EXPECT_EQ(Probe(1), kResultTimeout);
    EXPECT_GT(m_sim->LineErrorCount(), 0u);
    Reopen(19200, 0);  // the new rate, but still two stop bits
    EXPECT_EQ(Probe(1), kResultTimeout);
    Reopen(19200, 1);  // odd parity
    EXPECT_EQ(Probe(1), kResultTimeout);
    Reopen(9600, 2);
    EXPECT_EQ(Probe(1), kResultTimeout);
    Reopen(19200, 2);
    EXPECT_EQ(Probe(1), kResultOk);
    EXPECT_EQ(m_sim->CurrentLink(), (LinkSettings{1, 19200, 'E', 1}));

    // A rate the drive cannot run on stays in its registers; the parity
    // written with it is taken on.
    EXPECT_EQ(WriteLine(1, 12345, 1), kResultOk);
    Reopen(19200, 1);
    CommParams params;
    ASSERT_EQ(m_master.ReadCommParams(1, params), kResultOk);
    EXPECT_EQ(params.baudLow, 12345);
    EXPECT_EQ(params.parity, 1);

    // A rate above 16 bits is made of both registers.
    EXPECT_EQ(WriteLine(1, 115200, 3), kResultOk);
    Reopen(115200, 3);
    EXPECT_EQ(Probe(1), kResultOk);
    EXPECT_EQ(m_sim->CurrentLink(), (LinkSettings{1, 115200, 'N', 1}));
}

TEST_F(SimLinkSettings, WithoutTheOptionTheDriveStaysOnItsLine)
{
    Start(false);
    EXPECT_EQ(m_master.WriteCommAddress(1, CommAddress{7, 0}), kResultOk);
    EXPECT_EQ(WriteLine(1, 19200, 1), kResultOk);
    EXPECT_EQ(Probe(1), kResultOk);
    EXPECT_EQ(Probe(7), kResultTimeout);
    EXPECT_EQ(m_sim->GetRegister(0x9C), 7);
    EXPECT_EQ(m_sim->GetRegister(0x91), 19200);
    EXPECT_EQ(m_sim->CurrentLink(), LinkOf(m_sim->Options()));
    // Only the baud rate is checked, as it always was.
    Reopen(9600, 1);
    EXPECT_EQ(Probe(1), kResultOk);
    Reopen(19200, 0);
    EXPECT_EQ(Probe(1), kResultTimeout);
}
