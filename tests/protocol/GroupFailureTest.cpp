// Every register group of the master against a scripted drive whose read
// replies come short of registers, carry an exception, or cannot be asked for
// at all: the result, the request the read sent, and a record left exactly as
// it was (the pages would otherwise show values the drive never sent, and a
// later write would send them back).

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <type_traits>

#include "LinkFixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Group {
    const char* name;
    uint16_t start;  // what the read asks for
    uint16_t count;
    // Reads into a record holding a pattern; `untouched`: it still holds it.
    std::function<ModbusResult(CModbusMaster&, bool& untouched)> read;
    std::function<ModbusResult(CModbusMaster&)> write;  // empty for a read-only group
};

void PrintTo(const Group& group, std::ostream* os) { *os << group.name; }

template <typename Record>
Record Pattern()
{
    Record record;
    std::memset(static_cast<void*>(&record), 0xA5, sizeof record);
    // A poll of 224..234: the state and the six result words.
    if constexpr (std::is_same_v<Record, ProcedureBlock>) record.words[ProcedureBlock::kPollExtra] = 6;
    return record;
}

template <typename Record>
Group Row(const char* name, uint16_t start, uint16_t count, ModbusResult (CModbusMaster::*read)(uint8_t, Record&),
          std::type_identity_t<std::function<ModbusResult(CModbusMaster&, uint8_t, const Record&)>> write = {})
{
    Group group{name, start, count, {}, {}};
    group.read = [read](CModbusMaster& master, bool& untouched) {
        const Record before = Pattern<Record>();
        Record record = before;
        const ModbusResult result = (master.*read)(1, record);
        untouched = std::memcmp(&record, &before, sizeof record) == 0;
        return result;
    };
    if (write) group.write = [write](CModbusMaster& master) { return write(master, 1, Pattern<Record>()); };
    return group;
}

const Group kGroups[] = {
    Row("DeviceInfo", 0, 16, &CModbusMaster::ReadDeviceInfo),
    Row("RealtimeStatus", 32, 27, &CModbusMaster::ReadRealtimeStatus),
    Row("RampSettings", 80, 4, &CModbusMaster::ReadRampSettings, &CModbusMaster::WriteRampSettings),
    Row("MotorParams", 96, 28, &CModbusMaster::ReadMotorParams, &CModbusMaster::WriteMotorParams),
    Row("SystemParams", 128, 16, &CModbusMaster::ReadSystemParams, &CModbusMaster::WriteSystemParams),
    Row("SystemParamsExt", 150, 6, &CModbusMaster::ReadSystemParamsExt, &CModbusMaster::WriteSystemParamsExt),
    Row("ReciprocateParams", 160, 10, &CModbusMaster::ReadReciprocateParams, &CModbusMaster::WriteReciprocateParams),
    Row("ReciprocateCommand", 170, 1, &CModbusMaster::ReadReciprocateCommand, &CModbusMaster::WriteReciprocateCommand),
    Row("PresetSpeeds", 176, 4, &CModbusMaster::ReadPresetSpeeds, &CModbusMaster::WritePresetSpeeds),
    Row("PidParams", 186, 18, &CModbusMaster::ReadPidParams, &CModbusMaster::WritePidParams),
    Row("ProcedureStatus", 224, 11, &CModbusMaster::ReadProcedureStatus, &CModbusMaster::WriteProcedureControl),
    Row("SafetyParams", 256, 14, &CModbusMaster::ReadSafetyParams, &CModbusMaster::WriteSafetyParams),
    Row("FocParams", 768, 12, &CModbusMaster::ReadFocParams, &CModbusMaster::WriteFocParams),
    Row("CommParams", 0x0090, 6, &CModbusMaster::ReadCommParams, &CModbusMaster::WriteCommParams),
    Row("CommAddress", 0x009C, 2, &CModbusMaster::ReadCommAddress, &CModbusMaster::WriteCommAddress),
    Row("CanParams", 0x0120, 10, &CModbusMaster::ReadCanParams, &CModbusMaster::WriteCanParams),
};

// A read reply of `registers` registers, each 0x1111.
Bytes ReadReply(int registers)
{
    Bytes frame{0x01, 0x03, static_cast<uint8_t>(2 * registers)};
    frame.insert(frame.end(), static_cast<size_t>(2 * registers), 0x11);
    return frame;
}

class GroupFailures : public LinkFixture, public ::testing::WithParamInterface<Group> {
protected:
    // Reads once with the drive answering `reply`; the result, with the
    // request and the record checked.
    ModbusResult ReadAgainst(const Bytes& reply)
    {
        AnswerAlways(reply);
        bool untouched = false;
        const ModbusResult result = GetParam().read(master, untouched);
        EXPECT_TRUE(untouched) << "the record changed";
        const Group& g = GetParam();
        EXPECT_EQ(LastRequest(), WithCrc({0x01, 0x03, static_cast<uint8_t>(g.start >> 8),
                                          static_cast<uint8_t>(g.start & 0xFF), 0x00, static_cast<uint8_t>(g.count)}));
        return result;
    }
};

TEST_P(GroupFailures, AShortOrFailedReadIsReportedAndLeavesTheRecord)
{
    const Group& g = GetParam();
    {
        SCOPED_TRACE("one register short");
        EXPECT_EQ(ReadAgainst(ReadReply(g.count - 1)), kResultBadResponse);
    }
    {
        SCOPED_TRACE("no registers");
        EXPECT_EQ(ReadAgainst(ReadReply(0)), kResultBadResponse);
    }
    for (uint8_t code : {uint8_t{2}, uint8_t{6}}) {
        SCOPED_TRACE(testing::Message() << "exception " << int{code});
        EXPECT_EQ(ReadAgainst({0x01, 0x83, code}), code);
    }
}

TEST_P(GroupFailures, OnAClosedPortNothingIsSentAndTheRecordStays)
{
    const Group& g = GetParam();
    AnswerAlways(ReadReply(g.count));
    master.ClosePort();
    bool untouched = false;
    EXPECT_EQ(g.read(master, untouched), kResultPortNotOpen);
    EXPECT_TRUE(untouched);
    if (g.write) {
        EXPECT_EQ(g.write(master), kResultPortNotOpen);
    }
    EXPECT_TRUE(slave->Requests().empty());
}

INSTANTIATE_TEST_SUITE_P(EveryGroup, GroupFailures, ::testing::ValuesIn(kGroups),
                         [](const ::testing::TestParamInfo<Group>& group) { return std::string(group.param.name); });

}  // namespace
