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

// The record as its registers in register order, and back: what goes on
// the line, and what the pages' field tables address by register.
template <typename Record>
void ToWords(const Record& record, uint16_t (&words)[Record::kCount])
{
    static_assert(RegisterLayout::Fits<Record>());
    std::memcpy(words, &record, sizeof words);
    SwapWideFields<Record>(words);
}

template <typename Record>
Record FromWords(const uint16_t (&registers)[Record::kCount])
{
    static_assert(RegisterLayout::Fits<Record>());
    uint16_t words[Record::kCount];
    std::memcpy(words, registers, sizeof words);
    SwapWideFields<Record>(words);
    Record record;
    std::memcpy(&record, words, sizeof(Record));
    return record;
}

template <typename Record>
ModbusResult Read(CModbusRtu& link, uint8_t slave, Record& record)
{
    static_assert(Record::kCount <= kMaxReadWords);
    uint16_t words[Record::kCount];
    ModbusResult r = ReadWords(link, slave, Record::kStart, Record::kCount, words);
    if (r != kResultOk) return r;
    record = FromWords<Record>(words);
    return kResultOk;
}

template <typename Record>
ModbusResult Write(CModbusRtu& link, uint8_t slave, const Record& record)
{
    uint16_t words[Record::kCount];
    ToWords(record, words);
    return link.WriteMultipleRegisters(slave, Record::kStart, words, Record::kCount);
}

}  // namespace RegisterGroup
