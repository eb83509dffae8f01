#pragma once
#include <cstdint>

#include "FieldRules.h"
#include "RegisterLayout.h"

// The drive's Modbus address settings, holding registers 0x009C..0x009D.
struct CommAddress {
    static constexpr uint16_t kStart = 0x009C;
    static constexpr uint16_t kCount = 2;

    uint16_t slaveAddress = 0;  // the drive's Modbus slave address
    uint16_t portSettings = 0;  // under port control: 0 default RS-485 settings, 1 the configured ones
};
static_assert(RegisterLayout::Fits<CommAddress>());

namespace FieldRules {
inline constexpr Field kCommAddressFields[] = {
    {.key = "comm.slave_address", .reg = 0x009C, .kind = HexAddress, .label = "从站地址"},
    {.key = "comm.port_default_485", .reg = 0x009D, .kind = CheckZero, .label = "端口控制时485使用默认通讯参数"},
};
}  // namespace FieldRules
