#pragma once
// Holding registers 256 to 269: the drive's protection limits and the
// calibration of its temperature and voltage measurements.

#include <cstdint>

#include "RegisterLayout.h"

struct SafetyParams {
    static constexpr uint16_t kStart = 256;
    static constexpr uint16_t kCount = 14;

    uint16_t overTempShutdown;   // 256, degC, signed
    uint16_t overTempLimit;      // 257, degC, signed (double-current output disabled)
    uint16_t overVoltage;        // 258, 0.1 V
    uint16_t underVoltage;       // 259, 0.1 V
    uint16_t overCurrent;        // 260, 0.01 A
    uint16_t hallErrorTime;      // 261, ms
    uint16_t dynamicCurrentPid;  // 262, 0/1
    uint16_t reserved263;        // 263, always written as 0
    uint16_t clearOverTemp;      // 264, 0/1
    uint16_t reserved265;        // 265, always written as 0
    uint16_t tempFactor;         // 266, 0.0001
    uint16_t tempOffset;         // 267, 0.1 degC, signed
    uint16_t voltageFactor;      // 268, 0.0001
    uint16_t voltageOffset;      // 269, 0.1 V, signed
};
static_assert(RegisterLayout::Fits<SafetyParams>());
