// The drive's own communication settings: RS-485 line, Modbus address, CAN.

#include "ModbusMaster.h"
#include "RegisterGroup.h"

ModbusResult CModbusMaster::ReadCommParams(uint8_t slave, CommParams& params)
{
    return RegisterGroup::Read(*this, slave, params);
}

ModbusResult CModbusMaster::WriteCommParams(uint8_t slave, const CommParams& params)
{
    return RegisterGroup::Write(*this, slave, params);
}

ModbusResult CModbusMaster::ReadCommAddress(uint8_t slave, CommAddress& address)
{
    return RegisterGroup::Read(*this, slave, address);
}

ModbusResult CModbusMaster::WriteCommAddress(uint8_t slave, const CommAddress& address)
{
    return RegisterGroup::Write(*this, slave, address);
}

ModbusResult CModbusMaster::ReadCanParams(uint8_t slave, CanParams& params)
{
    return RegisterGroup::Read(*this, slave, params);
}

ModbusResult CModbusMaster::WriteCanParams(uint8_t slave, const CanParams& params)
{
    return RegisterGroup::Write(*this, slave, params);
}
