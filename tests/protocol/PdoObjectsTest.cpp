// The PDO and SYNC object sequences: against the simulated drive's
// dictionary, and for their exact SDO order against a scripted tunnel.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <mutex>

#include "DriveSimulator.h"
#include "LinkFixture.h"
#include "PdoObjects.h"
#include "SyncObjects.h"

using Bytes = std::vector<uint8_t>;

namespace {

struct Request {
    uint8_t command;
    uint16_t index;
    uint8_t subindex;
    uint32_t data;
    bool operator==(const Request&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Request& r)
{
    return os << std::hex << "{0x" << int(r.command) << ", 0x" << r.index << ", " << std::dec << int(r.subindex)
              << ", 0x" << std::hex << r.data << std::dec << "}";
}

constexpr uint32_t kNoSubindex = 0x06090011;
constexpr uint32_t kNotMappable = 0x06040041;

// The drive's side of the tunnel: an upload answers from `values` (an entry
// missing aborts), a download is confirmed and kept, and the entries in
// `aborts` answer with their command word and abort code.
class CTunnelDrive {
public:
    static uint32_t Key(uint16_t index, uint8_t subindex) { return uint32_t{index} << 8 | subindex; }

    void Set(uint16_t index, uint8_t subindex, uint32_t value)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_values[Key(index, subindex)] = value;
    }
    void Abort(uint16_t index, uint8_t subindex, uint16_t command, uint32_t code)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_aborts[Key(index, subindex)] = {command, code};
    }

    SlaveReply operator()(const Bytes& frame)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (frame[1] == 0x10) {
            const Request r{frame[8], static_cast<uint16_t>(frame[9] << 8 | frame[10]), frame[12],
                            uint32_t{frame[15]} << 24 | uint32_t{frame[16]} << 16 | uint32_t{frame[17]} << 8 |
                                frame[18]};
            m_requests.push_back(r);
            m_answer = Answer(r);
            return SlaveReply::Bytes(WithCrc(Bytes(frame.begin(), frame.begin() + 6)));
        }
        Bytes f = {0x01, 0x03, 12};
        for (uint16_t word : {m_answer.command, m_answer.index, m_answer.subindex, uint16_t{0},
                              static_cast<uint16_t>(m_answer.data >> 16), static_cast<uint16_t>(m_answer.data)}) {
            f.push_back(static_cast<uint8_t>(word >> 8));
            f.push_back(static_cast<uint8_t>(word));
        }
        return SlaveReply::Bytes(WithCrc(f));
    }

    std::vector<Request> Requests() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_requests;
    }

private:
    SdoRecord Answer(const Request& r)
    {
        SdoRecord a;
        a.index = r.index;
        a.subindex = r.subindex;
        const uint32_t key = Key(r.index, r.subindex);
        if (const auto abort = m_aborts.find(key); abort != m_aborts.end()) {
            a.command = abort->second.first;
            a.data = abort->second.second;
        } else if (r.command != Sdo::kUpload) {
            a.command = Sdo::kDownloaded;
            m_values[key] = r.data;
        } else if (const auto value = m_values.find(key); value != m_values.end()) {
            a.command = Sdo::kUploaded4;
            a.data = value->second;
        } else {
            a.command = Sdo::kAbort;
            a.data = kNoSubindex;
        }
        return a;
    }

    mutable std::mutex m_mutex;
    std::map<uint32_t, uint32_t> m_values;
    std::map<uint32_t, std::pair<uint16_t, uint32_t>> m_aborts;
    std::vector<Request> m_requests;
    SdoRecord m_answer;
};

using Seen = std::vector<Request>;  // the values handed to the hook, as {0, index, sub, value}

class PdoSequence : public LinkFixture {
protected:
    void SetUp() override
    {
        drive = std::make_shared<CTunnelDrive>();
        Answer([d = drive](const Bytes& frame) { return (*d)(frame); });
        hooks.value = [this](uint16_t index, uint8_t subindex, uint32_t value) {
            seen.push_back({0, index, subindex, value});
        };
    }
    // TPDO2 as a drive holds it: six entries, none at the reserved sub-index 4.
    void FillTpdo2()
    {
        for (const auto& [sub, value] :
             std::map<uint8_t, uint32_t>{{0, 6}, {1, 0xC0000282}, {2, 0xFE}, {3, 10}, {5, 250}, {6, 7}})
            drive->Set(0x1801, sub, value);
        drive->Set(0x1A01, 0, 3);
    }

    std::shared_ptr<CTunnelDrive> drive;
    PdoObjects::Hooks hooks;
    Seen seen;
};

TEST_F(PdoSequence, TheCommunicationReadVisitsEveryEntryButTheReservedOneThenTheCount)
{
    FillTpdo2();
    const PdoObjects::Communication read = PdoObjects::ReadCommunication(master, 1, 5, hooks);
    ASSERT_TRUE(read.outcome.Ok());
    const std::vector<Request> expected = {{0x40, 0x1801, 0, 0}, {0x40, 0x1801, 1, 0}, {0x40, 0x1801, 2, 0},
                                           {0x40, 0x1801, 3, 0}, {0x40, 0x1801, 5, 0}, {0x40, 0x1801, 6, 0},
                                           {0x40, 0x1A01, 0, 0}};
    EXPECT_EQ(drive->Requests(), expected);
    EXPECT_EQ(seen, (Seen{{0, 0x1801, 0, 6},
                          {0, 0x1801, 1, 0xC0000282},
                          {0, 0x1801, 2, 0xFE},
                          {0, 0x1801, 3, 10},
                          {0, 0x1801, 5, 250},
                          {0, 0x1801, 6, 7},
                          {0, 0x1A01, 0, 3}}));
    EXPECT_EQ(read.entries, 6);
    EXPECT_EQ(read.record.cobId, 0xC0000282u);
    EXPECT_EQ(read.record.transmissionType, 0xFE);
    EXPECT_EQ(read.record.inhibitTime, 10);
    EXPECT_EQ(read.record.eventTime, 250);
    EXPECT_EQ(read.record.mappedCount, 3);
}

TEST_F(PdoSequence, AnAbortEndsTheReadAtThatEntryEvenWithAStrayHighByte)
{
    FillTpdo2();
    // The specifier is the register's low byte: 0x0180 is an abort. Taken
    // as a success, its code would have gone into the inhibit time.
    drive->Abort(0x1801, 3, 0x0180, 0x06010001);
    const PdoObjects::Communication read = PdoObjects::ReadCommunication(master, 1, 5, hooks);
    EXPECT_TRUE(read.outcome.Failed());
    EXPECT_TRUE(read.outcome.step.Aborted());
    EXPECT_EQ(read.outcome.step.response.index, 0x1801);
    EXPECT_EQ(read.outcome.step.response.subindex, 3);
    EXPECT_EQ(read.outcome.step.Value(), 0x06010001u);
    EXPECT_EQ(drive->Requests().size(), 4u) << "nothing is asked after the abort";
    EXPECT_EQ(seen.size(), 3u);
    EXPECT_EQ(read.record.transmissionType, 0xFE);
    EXPECT_EQ(read.record.inhibitTime, 0);

    EXPECT_TRUE(Sdo::IsAbort(SdoRecord{0x0080, 0, 0, 0, 0}));
    EXPECT_FALSE(Sdo::IsAbort(SdoRecord{0x8043, 0, 0, 0, 0}));
}

TEST_F(PdoSequence, TheMappingReadTakesAllEightEntriesWhateverTheCount)
{
    for (uint8_t s = 1; s <= 8; ++s) drive->Set(0x1600, s, s == 1 ? 0x20000110 : 0);
    drive->Set(0x1600, 0, 1);
    const PdoObjects::Mapping read = PdoObjects::ReadMapping(master, 1, 0, hooks);
    ASSERT_TRUE(read.outcome.Ok());
    EXPECT_EQ(read.read, 8);
    EXPECT_EQ(read.entries[0], 0x20000110u);
    EXPECT_EQ(drive->Requests().front(), (Request{0x40, 0x1600, 1, 0}));
    EXPECT_EQ(drive->Requests().back(), (Request{0x40, 0x1600, 8, 0}));

    // An entry the drive does not have ends it: the entries before it stay.
    drive->Abort(0x1600, 5, Sdo::kAbort, kNoSubindex);
    const PdoObjects::Mapping partial = PdoObjects::ReadMapping(master, 1, 0);
    EXPECT_TRUE(partial.outcome.Failed());
    EXPECT_EQ(partial.read, 4);
}

TEST_F(PdoSequence, AStopDropsTheReadInFlightAndSendsNothingMore)
{
    FillTpdo2();
    hooks.stopped = [this] { return drive->Requests().size() >= 3; };
    const PdoObjects::Communication read = PdoObjects::ReadCommunication(master, 1, 5, hooks);
    EXPECT_TRUE(read.outcome.stopped);
    EXPECT_FALSE(read.outcome.Failed());
    EXPECT_EQ(drive->Requests().size(), 3u);
    EXPECT_EQ(seen.size(), 2u) << "the third value came after the stop";
}

TEST_F(PdoSequence, AConfigurationWritesEachEntryInItsWidthThenTheMappingBetweenCountZeroAndTheCount)
{
    PdoCommRecord values;
    values.cobId = 0x40000290;
    values.transmissionType = 1;
    values.inhibitTime = 20;
    values.eventTime = 500;
    ASSERT_TRUE(PdoObjects::WriteCommunication(master, 1, 5, values, 6, hooks).Ok());
    PdoObjects::MappingEntries entries;
    entries[0] = 0x20010120;
    entries[2] = 0x20020008;
    ASSERT_TRUE(PdoObjects::WriteMapping(master, 1, 5, entries, 2, hooks).Ok());

    const std::vector<Request> expected = {{0x23, 0x1801, 1, 0x40000290}, {0x2F, 0x1801, 2, 1},
                                           {0x2B, 0x1801, 3, 20},         {0x2B, 0x1801, 5, 500},
                                           {0x2F, 0x1A01, 0, 0},          {0x23, 0x1A01, 1, 0x20010120},
                                           {0x23, 0x1A01, 3, 0x20020008}, {0x2F, 0x1A01, 0, 2}};
    EXPECT_EQ(drive->Requests(), expected);
    // What the PDO keeps: not the count 0 that switched the mapping off.
    EXPECT_EQ(seen, (Seen{{0, 0x1801, 1, 0x40000290},
                          {0, 0x1801, 2, 1},
                          {0, 0x1801, 3, 20},
                          {0, 0x1801, 5, 500},
                          {0, 0x1A01, 1, 0x20010120},
                          {0, 0x1A01, 3, 0x20020008},
                          {0, 0x1A01, 0, 2}}));

    // Two entries only: the times are not written.
    size_t before = drive->Requests().size();
    ASSERT_TRUE(PdoObjects::WriteCommunication(master, 1, 0, values, 2).Ok());
    EXPECT_EQ(drive->Requests().size(), before + 2);
    EXPECT_EQ(drive->Requests().back(), (Request{0x2F, 0x1400, 2, 1}));

    // Five entries, a time not given: that entry is left to the drive.
    before = drive->Requests().size();
    ASSERT_TRUE(PdoObjects::WriteCommunication(master, 1, 0, values, 5, hooks, {false, true}).Ok());
    ASSERT_EQ(drive->Requests().size(), before + 3);
    EXPECT_EQ(drive->Requests()[before + 1], (Request{0x2F, 0x1400, 2, 1}));
    EXPECT_EQ(drive->Requests().back(), (Request{0x2B, 0x1400, 5, 500}));
    before = drive->Requests().size();
    ASSERT_TRUE(PdoObjects::WriteCommunication(master, 1, 0, values, 5, hooks, {false, false}).Ok());
    EXPECT_EQ(drive->Requests().size(), before + 2);
    EXPECT_FALSE(PdoObjects::WritesEntry(5, PdoObjects::kReservedSubindex));
    EXPECT_FALSE(PdoObjects::WritesEntry(6, 6)) << "beyond the event time, nothing";
}

TEST_F(PdoSequence, AnAbortInTheMappingLeavesTheCountUnwritten)
{
    drive->Abort(0x1A01, 2, Sdo::kAbort, kNotMappable);
    PdoObjects::MappingEntries entries;
    entries[0] = 0x20010120;
    entries[1] = 0x20030020;
    entries[2] = 0x20020008;
    const PdoObjects::Outcome outcome = PdoObjects::WriteMapping(master, 1, 5, entries, 3, hooks);
    EXPECT_TRUE(outcome.Failed());
    EXPECT_EQ(outcome.step.response.subindex, 2);
    EXPECT_EQ(outcome.step.Value(), kNotMappable);
    EXPECT_EQ(drive->Requests(), (std::vector<Request>{{0x2F, 0x1A01, 0, 0},
                                                       {0x23, 0x1A01, 1, 0x20010120},
                                                       {0x23, 0x1A01, 2, 0x20030020}}));
    EXPECT_EQ(seen, (Seen{{0, 0x1A01, 1, 0x20010120}}));
}

TEST_F(PdoSequence, AClosedPortFailsAtTheFirstExchange)
{
    CModbusMaster closed;
    const PdoObjects::Communication read = PdoObjects::ReadCommunication(closed, 1, 0, hooks);
    EXPECT_TRUE(read.outcome.Failed());
    EXPECT_EQ(read.outcome.step.result, kResultPortNotOpen);
    EXPECT_EQ(PdoObjects::WriteMapping(closed, 1, 0, {}, 0).step.result, kResultPortNotOpen);
    EXPECT_TRUE(seen.empty());
}

TEST(PdoObjectRules, ObjectNumbersAndTheEntryCount)
{
    EXPECT_EQ(PdoObjects::CommObject(0), 0x1400);
    EXPECT_EQ(PdoObjects::CommObject(3), 0x1403);
    EXPECT_EQ(PdoObjects::CommObject(4), 0x1800);
    EXPECT_EQ(PdoObjects::MappingObject(3), 0x1603);
    EXPECT_EQ(PdoObjects::MappingObject(7), 0x1A03);
    EXPECT_EQ(PdoObjects::EntryCount(5), 5);
    EXPECT_EQ(PdoObjects::EntryCount(0x100), 255);
    EXPECT_LT(PdoObjects::EntryCount(0xFFFFFFFF), 1) << "visits nothing";
}

// The same sequences on the simulated drive, whose dictionary enforces the
// CiA 301 rules (entries change only while the mapping is off).
class SimulatedDrive : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.Start()) << sim.LastError();
        ASSERT_TRUE(master.OpenWithMode(sim.SlavePath(), "9600,n,8,2"));
    }
    void TearDown() override { master.ClosePort(); }

    zoric::sim::CDriveSimulator sim;
    CModbusMaster master;
};

TEST_F(SimulatedDrive, APdoReadsAsTheDriveHoldsIt)
{
    const PdoObjects::Communication comm = PdoObjects::ReadCommunication(master, 1, 4);
    ASSERT_TRUE(comm.outcome.Ok()) << comm.outcome.step.result << " " << comm.outcome.step.Value();
    EXPECT_EQ(comm.entries, 5);
    EXPECT_EQ(comm.record.cobId, 0x40000181u);
    EXPECT_EQ(comm.record.transmissionType, 254);
    EXPECT_EQ(comm.record.eventTime, 100);
    EXPECT_EQ(comm.record.mappedCount, 2);
    const PdoObjects::Mapping map = PdoObjects::ReadMapping(master, 1, 4);
    ASSERT_TRUE(map.outcome.Ok());
    EXPECT_EQ(map.entries[0], 0x20010120u);
    EXPECT_EQ(map.entries[1], 0x20020008u);
    EXPECT_EQ(map.entries[2], 0u);
}

TEST_F(SimulatedDrive, AConfiguredPdoReadsBackAndAWrongEntryIsRefused)
{
    PdoCommRecord values;
    values.cobId = 0x40000200;
    values.transmissionType = 1;
    ASSERT_TRUE(PdoObjects::WriteCommunication(master, 1, 0, values, 2).Ok());
    PdoObjects::MappingEntries entries;
    entries[0] = 0x20000110;
    entries[1] = 0x20010220;
    ASSERT_TRUE(PdoObjects::WriteMapping(master, 1, 0, entries, 2).Ok());
    const PdoObjects::Communication comm = PdoObjects::ReadCommunication(master, 1, 0);
    EXPECT_EQ(comm.record.cobId, 0x40000200u);
    EXPECT_EQ(comm.record.mappedCount, 2);
    EXPECT_EQ(PdoObjects::ReadMapping(master, 1, 0).entries[1], 0x20010220u);

    // A setting that may not be mapped: the mapping stays switched off.
    entries[1] = 0x20030020;
    const PdoObjects::Outcome refused = PdoObjects::WriteMapping(master, 1, 0, entries, 2);
    EXPECT_TRUE(refused.step.Aborted());
    EXPECT_EQ(refused.step.Value(), kNotMappable);
    EXPECT_EQ(sim.GetObject(0x1600, 0), 0u);
}

TEST_F(SimulatedDrive, SyncObjectsAreWrittenAndReadInOrder)
{
    ASSERT_TRUE(SyncObjects::Write(master, 1, {0x81, 2000, 500}).Ok());
    const SyncObjects::Reading read = SyncObjects::Read(master, 1);
    ASSERT_TRUE(read.step.Ok());
    EXPECT_EQ(read.count, 3);
    EXPECT_EQ(read.values, (SyncObjects::Values{0x81, 2000, 500}));
    EXPECT_EQ(sim.GetObject(0x1007, 0), 500u);
}

}  // namespace
