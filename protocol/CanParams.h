#pragma once
#include <cstdint>

#include "RegisterLayout.h"

// The drive's CAN settings, holding registers 0x0120..0x0129.
struct CanParams {
    static constexpr uint16_t kStart = 0x0120;
    static constexpr uint16_t kCount = 10;

    uint16_t mode = 0;          // bit 0: 0 plain RS-485/CAN, 1 CANopen
    uint16_t nodeId = 0;        // CANopen node ID
    uint16_t canBaud = 0;       // index of the CAN baud rate list
    uint16_t reserved[5] = {};  // written as 0
    uint16_t autoStart = 0;     // 1: CANopen starts by itself
    uint16_t heartbeat = 0;     // heartbeat period, ms
};
static_assert(RegisterLayout::Fits<CanParams>());
