// The drive's communication settings blocks on the wire: addresses, counts
// and word order (the baud rate's two words stay upper first, unconverted).

#include <gtest/gtest.h>

#include "LinkFixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Body(const Bytes& frame) { return Bytes(frame.begin(), frame.end() - 2); }

class CommGroupsTest : public LinkFixture {};

TEST_F(CommGroupsTest, ReadsTheThreeBlocksFromTheirRegisters)
{
    Answer([](const Bytes& request) {
        const uint16_t start = static_cast<uint16_t>(request[2] << 8 | request[3]);
        if (start == 0x0090)
            return SlaveReply::Bytes(
                WithCrc({0x01, 0x03, 12, 0x00, 0x01, 0xC2, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x03, 0x00, 0x19}));
        if (start == 0x009C) return SlaveReply::Bytes(WithCrc({0x01, 0x03, 4, 0x00, 0x1F, 0x00, 0x01}));
        return SlaveReply::Bytes(WithCrc({0x01, 0x03, 20, 0x00, 0x03, 0x00, 0x7F, 0x00, 0x05, 0,    0,   0,
                                          0,    0,    0,  0,    0,    0,    0,    0x00, 0x01, 0x03, 0xE8}));
    });
    CommParams params;
    ASSERT_EQ(master.ReadCommParams(1, params), kResultOk);
    EXPECT_EQ(Body(LastRequest()), (Bytes{0x01, 0x03, 0x00, 0x90, 0x00, 0x06}));
    EXPECT_EQ(params.baudHigh, 0x0001);
    EXPECT_EQ(params.baudLow, 0xC200);
    EXPECT_EQ(params.parity, 2);
    EXPECT_EQ(params.lockFlags, 3);
    EXPECT_EQ(params.brakeTime, 25);

    CommAddress address;
    ASSERT_EQ(master.ReadCommAddress(1, address), kResultOk);
    EXPECT_EQ(Body(LastRequest()), (Bytes{0x01, 0x03, 0x00, 0x9C, 0x00, 0x02}));
    EXPECT_EQ(address.slaveAddress, 0x1F);
    EXPECT_EQ(address.portSettings, 1);

    CanParams can;
    ASSERT_EQ(master.ReadCanParams(1, can), kResultOk);
    EXPECT_EQ(Body(LastRequest()), (Bytes{0x01, 0x03, 0x01, 0x20, 0x00, 0x0A}));
    EXPECT_EQ(can.mode, 3);
    EXPECT_EQ(can.nodeId, 0x7F);
    EXPECT_EQ(can.canBaud, 5);
    EXPECT_EQ(can.autoStart, 1);
    EXPECT_EQ(can.heartbeat, 1000);
}

TEST_F(CommGroupsTest, WritesEachBlockInOneFrameHighByteFirst)
{
    Answer([](const Bytes& request) {
        return SlaveReply::Bytes(WithCrc({request[0], request[1], request[2], request[3], request[4], request[5]}));
    });
    CommParams params;
    params.baudHigh = 0x0001;
    params.baudLow = 0xC200;
    params.parity = 0xFFFF;
    params.lockFlags = 1;
    params.brakeTime = 3;
    ASSERT_EQ(master.WriteCommParams(7, params), kResultOk);
    EXPECT_EQ(Body(LastRequest()), (Bytes{0x07, 0x10, 0x00, 0x90, 0x00, 0x06, 12, 0x00, 0x01, 0xC2, 0x00, 0xFF, 0xFF,
                                          0x00, 0x00, 0x00, 0x01, 0x00, 0x03}));

    CommAddress address;
    address.slaveAddress = 31;
    address.portSettings = 0;
    ASSERT_EQ(master.WriteCommAddress(7, address), kResultOk);
    EXPECT_EQ(Body(LastRequest()), (Bytes{0x07, 0x10, 0x00, 0x9C, 0x00, 0x02, 4, 0x00, 0x1F, 0x00, 0x00}));

    CanParams can;
    can.mode = 1;
    can.nodeId = 0x10;
    can.canBaud = 7;
    can.autoStart = 1;
    can.heartbeat = 500;
    ASSERT_EQ(master.WriteCanParams(7, can), kResultOk);
    EXPECT_EQ(Body(LastRequest()), (Bytes{0x07, 0x10, 0x01, 0x20, 0x00, 0x0A, 20, 0x00, 0x01, 0x00, 0x10, 0x00, 0x07, 0,
                                          0,    0,    0,    0,    0,    0,    0,  0,    0,    0x00, 0x01, 0x01, 0xF4}));
}

TEST(CommGroupsClosedPort, ReadAndWriteReportThePortClosed)
{
    CModbusMaster master;
    CanParams can;
    can.heartbeat = 9;
    EXPECT_EQ(master.ReadCanParams(1, can), kResultPortNotOpen);
    EXPECT_EQ(can.heartbeat, 9);
    EXPECT_EQ(master.WriteCanParams(1, can), kResultPortNotOpen);
}

}  // namespace
