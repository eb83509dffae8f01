#pragma once
// Holding registers 80 to 83: the ramps the motor commands follow.

#include <cstdint>

#include "RegisterLayout.h"

struct RampSettings {
    static constexpr uint16_t kStart = 80;
    static constexpr uint16_t kCount = 4;

    uint16_t pwmRise;       // 80, 0.1 s
    uint16_t pwmFall;       // 81, 0.1 s
    uint16_t acceleration;  // 82, frequency unit per s
    uint16_t deceleration;  // 83, frequency unit per s
};
static_assert(RegisterLayout::Fits<RampSettings>());
