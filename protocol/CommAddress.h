#pragma once
#include <cstdint>

// The drive's Modbus address settings, holding registers 0x009C..0x009D.
struct CommAddress {
    uint16_t slaveAddress = 0;  // the drive's Modbus slave address
    uint16_t portSettings = 0;  // under port control: 0 default RS-485 settings, 1 the configured ones
};
static_assert(sizeof(CommAddress) == 2 * 2);
