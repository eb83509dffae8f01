// The main window's register groups: device information and live status.
#include <cstddef>
#include <cstring>

#include "ModbusMaster.h"

ModbusResult CModbusMaster::ReadDeviceInfo(uint8_t slave, DeviceInfo& info) {
    constexpr uint16_t kBytes = 2 * DeviceInfo::kCount;
    uint8_t buffer[kBytes] = {};
    uint16_t length = kBytes;
    const ModbusResult r = ReadHoldingRegisters(slave, DeviceInfo::kStart, DeviceInfo::kCount, buffer, &length);
    if (r != kResultOk) return r;
    // A short block would show zeros the drive never sent.
    if (length != kBytes) return kResultBadResponse;
    SwapBytes16(buffer, kBytes);
    // Back to wire order for the text.
    SwapBytes16(buffer + DeviceInfo::kModelOffset, DeviceInfo::kModelLength);
    std::memcpy(&info, buffer, kBytes);
    return kResultOk;
}

ModbusResult CModbusMaster::ReadRealtimeStatus(uint8_t slave, RealtimeStatus& status) {
    constexpr uint16_t kBytes = 2 * RealtimeStatus::kCount;
    uint8_t buffer[kBytes] = {};
    uint16_t length = kBytes;
    const ModbusResult r =
        ReadHoldingRegisters(slave, RealtimeStatus::kStart, RealtimeStatus::kCount, buffer, &length);
    if (r != kResultOk) return r;
    if (length != kBytes) return kResultBadResponse;
    SwapBytes16(buffer, kBytes);
    SwapWords32(buffer + offsetof(RealtimeStatus, position), 4);
    SwapWords32(buffer + offsetof(RealtimeStatus, completionTime), 4);
    SwapWords32(buffer + offsetof(RealtimeStatus, inputPulses), 4);
    std::memcpy(&status, buffer, kBytes);
    return kResultOk;
}

ModbusResult CModbusMaster::WritePositionClear(uint8_t slave) {
    return WriteSingleRegister(slave, kPositionClearRegister, 1);
}
