// The main window's register groups: device information and live status.
#include "ModbusMaster.h"
#include "RegisterGroup.h"

ModbusResult CModbusMaster::ReadDeviceInfo(uint8_t slave, DeviceInfo& info)
{
    DeviceInfo read;
    ModbusResult r = RegisterGroup::Read(*this, slave, read);
    if (r != kResultOk) return r;
    // Back to wire order for the text.
    SwapBytes16(read.model, DeviceInfo::kModelLength);
    info = read;
    return kResultOk;
}

ModbusResult CModbusMaster::ReadRealtimeStatus(uint8_t slave, RealtimeStatus& status)
{
    return RegisterGroup::Read(*this, slave, status);
}

ModbusResult CModbusMaster::WritePositionClear(uint8_t slave)
{
    return WriteSingleRegister(slave, kPositionClearRegister, 1);
}
