#pragma once
// The drive's PDOs in its CANopen object dictionary: which objects hold PDO n,
// the rules for their entries, and the SDO sequences that read and configure
// a PDO. Shared by the object list, the PDO editor and whatever reads or
// writes PDOs without a window.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "PdoCommRecord.h"
#include "SdoStep.h"

class CModbusMaster;

namespace PdoObjects {

// PDO n: 0-3 RPDO1-4, 4-7 TPDO1-4.
constexpr int kPdoCount = 8;
constexpr int kReceivePdos = 4;
constexpr bool IsTransmit(int n) { return n >= kReceivePdos; }
// Communication object: 0x1400.. for a receive PDO, 0x1800.. for a transmit PDO.
uint16_t CommObject(int n);
// Mapping object: 0x1600.. for a receive PDO, 0x1A00.. for a transmit PDO.
uint16_t MappingObject(int n);

// Mapping entries the tool reads and writes: sub-indexes 1..8.
constexpr int kMapEntries = 8;
// Sub-index 4 of a communication object is reserved: never read or written.
constexpr uint8_t kReservedSubindex = 4;
// The times among the communication entries; the event time is the last
// entry the tool writes.
constexpr uint8_t kInhibitTimeSubindex = 3;
constexpr uint8_t kEventTimeSubindex = 5;
// Sub-index 0 of a communication object as the number of entries to visit;
// a sub-index is 8 bits, so more than 255 cannot be real.
int32_t EntryCount(uint32_t value);

// The COB-ID as the editor shows it: without "not valid" (bit 31), "no RTR"
// (bit 30) and the node-ID bits, which the drive adds itself.
constexpr uint32_t kCobIdMask = 0x3FFFFF80;
constexpr uint32_t kNoRtrBit = 0x40000000;

// Takes one value of PDO n's objects into the record when it is one of the
// record's fields: communication entries 1, 2, 3 and 5, and the number of
// mapped objects. Any other value leaves the record as it is.
void Keep(PdoCommRecord& record, int n, uint16_t index, uint8_t subindex, uint32_t value);

// What a caller sees of a sequence while it runs.
struct Hooks {
    // Asked before each exchange and after each read: true ends the sequence
    // there, quietly; a value read after the stop is dropped.
    std::function<bool()> stopped;
    // Each value read, in order; of a write, each value the PDO keeps (not the
    // count 0 that switches the mapping off for the change).
    std::function<void(uint16_t index, uint8_t subindex, uint32_t value)> value;
};

// How a sequence ended: complete, stopped, or at its first failing exchange.
struct Outcome {
    SdoStep step;  // the last exchange run: on failure, the failing one
    bool stopped = false;
    bool Ok() const { return !stopped && step.Ok(); }
    bool Failed() const { return !stopped && !step.Ok(); }
};

// The communication parameters of PDO n: sub-index 0, the entries 1.. up to
// it (but the reserved one), then the number of mapped objects.
struct Communication {
    Outcome outcome;
    int32_t entries = 0;   // sub-index 0, clamped
    PdoCommRecord record;  // the fields read before the end
};
Communication ReadCommunication(CModbusMaster& master, uint8_t slave, int n, const Hooks& hooks = {});

// Mapping entries 1..8 of PDO n, whatever the number of mapped objects.
struct Mapping {
    Outcome outcome;
    int read = 0;  // entries read before the end
    std::array<uint32_t, kMapEntries> entries{};
};
Mapping ReadMapping(CModbusMaster& master, uint8_t slave, int n, const Hooks& hooks = {});

// The times a communication write gives. One not given is not written and
// the drive keeps its own: the editor offers no inhibit or event time for a
// receive PDO opened from the list, though the drive may have them.
struct GivenTimes {
    bool inhibitTime = true;
    bool eventTime = true;
};
// Whether a write sends sub-index `subindex` of a communication object that
// has `entries` entries: 1..5 within them, not the reserved one, and a time
// only when given. The editor checks the values of exactly these.
bool WritesEntry(int32_t entries, uint8_t subindex, const GivenTimes& given = {});

// Writes the communication entries of PDO n that WritesEntry names, in
// order: the COB-ID in 4 bytes, the transmission type in 1, the inhibit and
// event times in 2.
Outcome WriteCommunication(CModbusMaster& master, uint8_t slave, int n, const PdoCommRecord& record, int32_t entries,
                           const Hooks& hooks = {}, const GivenTimes& given = {});

// Writes the mapping of PDO n: the count 0 first (the drive takes entries only
// while the mapping is off), then the given entries (element j at sub-index
// j + 1), then the count.
using MappingEntries = std::array<std::optional<uint32_t>, kMapEntries>;
Outcome WriteMapping(CModbusMaster& master, uint8_t slave, int n, const MappingEntries& entries, uint8_t count,
                     const Hooks& hooks = {});

}  // namespace PdoObjects
