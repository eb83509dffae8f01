#pragma once
// How every register group moves between the drive and its record: one read
// or one write of the group's registers, 16-bit fields in host order, 32-bit
// fields high word first. A reply with fewer registers than asked for is a
// bad response and leaves the record alone: filling the gap with zeros would
// show values the drive never sent, and a later write would send them back.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "ModbusMaster.h"

namespace RegisterGroup {

constexpr uint16_t kMaxReadWords = 125;

// `count` registers from `start` into `dest` in host order (count <= 125).
ModbusResult ReadWords(CModbusRtu& link, uint8_t slave, uint16_t start, uint16_t count, uint16_t* dest);

// The record's registers; the 32-bit fields at `wideOffsets` (byte offsets
// in the record) are joined high word first.
template <typename Record>
ModbusResult Read(CModbusRtu& link, uint8_t slave, uint16_t start, Record& record,
                  std::initializer_list<size_t> wideOffsets = {})
{
    static_assert(sizeof(Record) % 2 == 0 && sizeof(Record) / 2 <= kMaxReadWords);
    uint16_t words[sizeof(Record) / 2];
    ModbusResult r = ReadWords(link, slave, start, sizeof(Record) / 2, words);
    if (r != kResultOk) return r;
    for (size_t offset : wideOffsets) CModbusMaster::SwapWords32(reinterpret_cast<uint8_t*>(words) + offset, 4);
    std::memcpy(&record, words, sizeof(Record));
    return kResultOk;
}

template <typename Record>
ModbusResult Write(CModbusRtu& link, uint8_t slave, uint16_t start, const Record& record,
                   std::initializer_list<size_t> wideOffsets = {})
{
    static_assert(sizeof(Record) % 2 == 0);
    uint16_t words[sizeof(Record) / 2];
    std::memcpy(words, &record, sizeof words);
    for (size_t offset : wideOffsets) CModbusMaster::SwapWords32(reinterpret_cast<uint8_t*>(words) + offset, 4);
    return link.WriteMultipleRegisters(slave, start, words, sizeof(Record) / 2);
}

}  // namespace RegisterGroup
