#include "PdoObjects.h"

#include <cstddef>

namespace PdoObjects {
namespace {

constexpr int32_t kMaxSubindex = 255;

// The exchanges of one sequence under its hooks; each says whether the
// sequence goes on.
class CExchanges {
public:
    CExchanges(CModbusMaster& master, uint8_t slave, const Hooks& hooks, Outcome& outcome)
        : m_master(master), m_slave(slave), m_hooks(hooks), m_outcome(outcome)
    {
    }

    bool Read(uint16_t index, uint8_t subindex, uint32_t& value)
    {
        if (Stopped()) return false;
        m_outcome.step = SdoStep::Read(m_master, m_slave, index, subindex);
        if (Stopped() || !m_outcome.step.Ok()) return false;
        value = m_outcome.step.Value();
        Tell(index, subindex, value);
        return true;
    }

    // `kept`: the value stays on the drive once the sequence is through.
    bool Write(uint8_t command, uint16_t index, uint8_t subindex, uint32_t value, bool kept = true)
    {
        if (Stopped()) return false;
        m_outcome.step = SdoStep::Run(m_master, m_slave, command, index, subindex, value);
        if (!m_outcome.step.Ok()) return false;
        if (kept) Tell(index, subindex, value);
        return true;
    }

private:
    bool Stopped()
    {
        if (m_hooks.stopped && m_hooks.stopped()) m_outcome.stopped = true;
        return m_outcome.stopped;
    }
    void Tell(uint16_t index, uint8_t subindex, uint32_t value)
    {
        if (m_hooks.value) m_hooks.value(index, subindex, value);
    }

    CModbusMaster& m_master;
    uint8_t m_slave;
    const Hooks& m_hooks;
    Outcome& m_outcome;
};

}  // namespace

uint16_t CommObject(int n)
{
    return static_cast<uint16_t>(n < kReceivePdos ? 0x1400 + n : 0x1800 + (n - kReceivePdos));
}

uint16_t MappingObject(int n)
{
    return static_cast<uint16_t>(n < kReceivePdos ? 0x1600 + n : 0x1A00 + (n - kReceivePdos));
}

int32_t EntryCount(uint32_t value)
{
    const auto n = static_cast<int32_t>(value);
    return n > kMaxSubindex ? kMaxSubindex : n;
}

void Keep(PdoCommRecord& record, int n, uint16_t index, uint8_t subindex, uint32_t value)
{
    if (index == MappingObject(n)) {
        if (subindex == 0) record.mappedCount = static_cast<uint8_t>(value);
        return;
    }
    if (index != CommObject(n)) return;
    switch (subindex) {
    case 1: record.cobId = value; break;
    case 2: record.transmissionType = static_cast<uint8_t>(value); break;
    case 3: record.inhibitTime = static_cast<uint16_t>(value); break;
    case kEventTimeSubindex: record.eventTime = static_cast<uint16_t>(value); break;
    default: break;
    }
}

Communication ReadCommunication(CModbusMaster& master, uint8_t slave, int n, const Hooks& hooks)
{
    Communication read;
    CExchanges exchanges(master, slave, hooks, read.outcome);
    const uint16_t object = CommObject(n);
    uint32_t value = 0;
    if (!exchanges.Read(object, 0, value)) return read;
    read.entries = EntryCount(value);
    for (int32_t s = 1; s <= read.entries; ++s) {
        if (s == kReservedSubindex) continue;
        if (!exchanges.Read(object, static_cast<uint8_t>(s), value)) return read;
        Keep(read.record, n, object, static_cast<uint8_t>(s), value);
    }
    if (exchanges.Read(MappingObject(n), 0, value)) Keep(read.record, n, MappingObject(n), 0, value);
    return read;
}

Mapping ReadMapping(CModbusMaster& master, uint8_t slave, int n, const Hooks& hooks)
{
    Mapping read;
    CExchanges exchanges(master, slave, hooks, read.outcome);
    const uint16_t object = MappingObject(n);
    for (int j = 0; j < kMapEntries; ++j) {
        if (!exchanges.Read(object, static_cast<uint8_t>(j + 1), read.entries[static_cast<std::size_t>(j)])) break;
        read.read = j + 1;
    }
    return read;
}

bool WritesEntry(int32_t entries, uint8_t subindex, const GivenTimes& given)
{
    if (subindex < 1 || subindex > kEventTimeSubindex || subindex > entries || subindex == kReservedSubindex)
        return false;
    if (subindex == kInhibitTimeSubindex) return given.inhibitTime;
    if (subindex == kEventTimeSubindex) return given.eventTime;
    return true;
}

Outcome WriteCommunication(CModbusMaster& master, uint8_t slave, int n, const PdoCommRecord& record, int32_t entries,
                           const Hooks& hooks, const GivenTimes& given)
{
    Outcome outcome;
    CExchanges exchanges(master, slave, hooks, outcome);
    const uint16_t object = CommObject(n);
    for (int32_t s = 1; s <= entries && s <= kEventTimeSubindex; ++s) {
        const auto subindex = static_cast<uint8_t>(s);
        if (!WritesEntry(entries, subindex, given)) continue;
        bool written = true;
        switch (s) {
        case 1: written = exchanges.Write(Sdo::kDownload4, object, subindex, record.cobId); break;
        case 2: written = exchanges.Write(Sdo::kDownload1, object, subindex, record.transmissionType); break;
        case kInhibitTimeSubindex:
            written = exchanges.Write(Sdo::kDownload2, object, subindex, record.inhibitTime);
            break;
        case kEventTimeSubindex: written = exchanges.Write(Sdo::kDownload2, object, subindex, record.eventTime); break;
        default: break;
        }
        if (!written) break;
    }
    return outcome;
}

Outcome WriteMapping(CModbusMaster& master, uint8_t slave, int n, const MappingEntries& entries, uint8_t count,
                     const Hooks& hooks)
{
    Outcome outcome;
    CExchanges exchanges(master, slave, hooks, outcome);
    const uint16_t object = MappingObject(n);
    if (!exchanges.Write(Sdo::kDownload1, object, 0, 0, false)) return outcome;
    for (int j = 0; j < kMapEntries; ++j) {
        const std::optional<uint32_t>& entry = entries[static_cast<std::size_t>(j)];
        if (entry && !exchanges.Write(Sdo::kDownload4, object, static_cast<uint8_t>(j + 1), *entry)) return outcome;
    }
    exchanges.Write(Sdo::kDownload1, object, 0, count);
    return outcome;
}

}  // namespace PdoObjects
