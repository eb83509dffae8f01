// The drive's own communication settings: RS-485 line, Modbus address, CAN.
// All three blocks are plain 16-bit words; the baud rate spread over two of
// them is kept as two words, so no 32-bit word-order conversion applies.

#include "ModbusMaster.h"
#include "RegisterGroup.h"

namespace {

constexpr uint16_t kCommParamsStart = 0x0090;
constexpr uint16_t kCommAddressStart = 0x009C;
constexpr uint16_t kCanParamsStart = 0x0120;

}  // namespace

ModbusResult CModbusMaster::ReadCommParams(uint8_t slave, CommParams& params)
{
    return RegisterGroup::Read(*this, slave, kCommParamsStart, params);
}

ModbusResult CModbusMaster::WriteCommParams(uint8_t slave, const CommParams& params)
{
    return RegisterGroup::Write(*this, slave, kCommParamsStart, params);
}

ModbusResult CModbusMaster::ReadCommAddress(uint8_t slave, CommAddress& address)
{
    return RegisterGroup::Read(*this, slave, kCommAddressStart, address);
}

ModbusResult CModbusMaster::WriteCommAddress(uint8_t slave, const CommAddress& address)
{
    return RegisterGroup::Write(*this, slave, kCommAddressStart, address);
}

ModbusResult CModbusMaster::ReadCanParams(uint8_t slave, CanParams& params)
{
    return RegisterGroup::Read(*this, slave, kCanParamsStart, params);
}

ModbusResult CModbusMaster::WriteCanParams(uint8_t slave, const CanParams& params)
{
    return RegisterGroup::Write(*this, slave, kCanParamsStart, params);
}
