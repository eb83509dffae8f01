#pragma once
// Holding registers 128 to 143: the drive's input and signal configuration.
// Voltages are in millivolts; the pulse multiplier is a float (high word in
// register 140).

#include <array>
#include <cstddef>
#include <cstdint>

#include "RegisterLayout.h"

struct SystemParams {
    static constexpr uint16_t kStart = 128;
    static constexpr uint16_t kCount = 16;

    uint16_t limitPolarity;     // 128, index of the limit trigger polarity
    uint16_t digitalPolarity;   // 129
    uint16_t potUsage;          // 130
    uint16_t pulseType;         // 131
    uint16_t analogType;        // 132
    uint16_t logicType;         // 133
    uint16_t potLowMv;          // 134
    uint16_t potHighMv;         // 135
    uint16_t analogLowMv;       // 136
    uint16_t analogHighMv;      // 137
    uint16_t logicThresholdMv;  // 138
    uint16_t deadZoneMv;        // 139
    float pulseMultiplier;      // 140-141
    uint16_t stallStopTime;     // 142, 0.1 s
    uint16_t reserved;          // 143, always written as 0

    static constexpr std::array<size_t, 1> WideOffsets() { return {offsetof(SystemParams, pulseMultiplier)}; }
};
static_assert(RegisterLayout::Fits<SystemParams>());
