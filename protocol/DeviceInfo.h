#pragma once
// Holding registers 0 to 15: what the drive says about itself. Registers 2
// to 9 hold the model text in wire order (first character in the high byte
// of register 2), GBK.

#include <cstdint>

#include "RegisterLayout.h"

struct DeviceInfo {
    static constexpr uint16_t kStart = 0;
    static constexpr uint16_t kCount = 16;
    static constexpr uint16_t kModelOffset = 4;  // bytes, register 2
    static constexpr uint16_t kModelLength = 16;

    uint16_t identifier;            // 0
    uint16_t version;               // 1, major in the high byte, minor in the low
    char model[kModelLength];       // 2..9, not NUL-terminated when all 16 are used
    uint16_t pwmResolution;         // 10
    uint16_t pwmFrequency;          // 11, Hz
    uint16_t maxCurrent;            // 12, 0.01 A
    uint16_t currentResolution;     // 13, mA
    uint16_t speedRangeCapability;  // 14, nonzero: the x10 speed range exists
    uint16_t reserved15;            // 15
};
static_assert(RegisterLayout::Fits<DeviceInfo>());
