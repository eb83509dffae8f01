// The drive's own communication settings: RS-485 line, Modbus address, CAN.
// All three blocks are plain 16-bit words; the baud rate spread over two of
// them is kept as two words, so no 32-bit word-order conversion applies.

#include <cstring>

#include "ModbusMaster.h"

namespace {

// Reads the record's registers (host order). A reply shorter than the group
// would leave words the drive never sent: it is a bad response.
template <typename Record>
ModbusResult ReadWords(CModbusMaster& master, uint8_t slave, uint16_t start, Record& record)
{
    constexpr uint16_t kBytes = sizeof(Record);
    uint8_t buffer[kBytes] = {};
    uint16_t length = kBytes;
    const ModbusResult r = master.ReadHoldingRegisters(slave, start, kBytes / 2, buffer, &length);
    if (r != kResultOk) return r;
    if (length < kBytes) return kResultBadResponse;
    CModbusMaster::SwapBytes16(buffer, kBytes);
    std::memcpy(&record, buffer, kBytes);
    return kResultOk;
}

template <typename Record>
ModbusResult WriteWords(CModbusMaster& master, uint8_t slave, uint16_t start, const Record& record)
{
    uint16_t words[sizeof(Record) / 2];
    std::memcpy(words, &record, sizeof words);
    return master.WriteMultipleRegisters(slave, start, words, sizeof(Record) / 2);
}

constexpr uint16_t kCommParamsStart = 0x0090;
constexpr uint16_t kCommAddressStart = 0x009C;
constexpr uint16_t kCanParamsStart = 0x0120;

}  // namespace

ModbusResult CModbusMaster::ReadCommParams(uint8_t slave, CommParams& params)
{
    return ReadWords(*this, slave, kCommParamsStart, params);
}

ModbusResult CModbusMaster::WriteCommParams(uint8_t slave, const CommParams& params)
{
    return WriteWords(*this, slave, kCommParamsStart, params);
}

ModbusResult CModbusMaster::ReadCommAddress(uint8_t slave, CommAddress& address)
{
    return ReadWords(*this, slave, kCommAddressStart, address);
}

ModbusResult CModbusMaster::WriteCommAddress(uint8_t slave, const CommAddress& address)
{
    return WriteWords(*this, slave, kCommAddressStart, address);
}

ModbusResult CModbusMaster::ReadCanParams(uint8_t slave, CanParams& params)
{
    return ReadWords(*this, slave, kCanParamsStart, params);
}

ModbusResult CModbusMaster::WriteCanParams(uint8_t slave, const CanParams& params)
{
    return WriteWords(*this, slave, kCanParamsStart, params);
}
