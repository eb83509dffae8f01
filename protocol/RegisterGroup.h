#pragma once
// How every register group moves between the drive and its record: one read
// or one write of the group's registers, 16-bit fields in host order, 32-bit
// fields high word first, where and how wide as the record's layout says
// (RegisterLayout.h). A reply with fewer registers than asked for is a bad
// response and leaves the record alone: filling the gap with zeros would
// show values the drive never sent, and a later write would send them back.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "ModbusMaster.h"
#include "RegisterLayout.h"

namespace RegisterGroup {

constexpr uint16_t kMaxReadWords = 125;

// `count` registers from `start` into `dest` in host order (count <= 125).
ModbusResult ReadWords(CModbusRtu& link, uint8_t slave, uint16_t start, uint16_t count, uint16_t* dest);

// Between register order and the record's 32-bit fields, both ways.
template <typename Record>
void SwapWideFields(uint16_t (&words)[Record::kCount])
{
    for (size_t offset : RegisterLayout::WideOffsets<Record>())
        CModbusMaster::SwapWords32(reinterpret_cast<uint8_t*>(words) + offset, 4);
}

template <typename Record>
ModbusResult Read(CModbusRtu& link, uint8_t slave, Record& record)
{
    static_assert(RegisterLayout::Fits<Record>() && Record::kCount <= kMaxReadWords);
    uint16_t words[Record::kCount];
    ModbusResult r = ReadWords(link, slave, Record::kStart, Record::kCount, words);
    if (r != kResultOk) return r;
    SwapWideFields<Record>(words);
    std::memcpy(&record, words, sizeof(Record));
    return kResultOk;
}

template <typename Record>
ModbusResult Write(CModbusRtu& link, uint8_t slave, const Record& record)
{
    static_assert(RegisterLayout::Fits<Record>());
    uint16_t words[Record::kCount];
    std::memcpy(words, &record, sizeof words);
    SwapWideFields<Record>(words);
    return link.WriteMultipleRegisters(slave, Record::kStart, words, Record::kCount);
}

}  // namespace RegisterGroup
