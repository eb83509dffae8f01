#pragma once
// Holding registers 80 to 83: the ramps the motor commands follow.

#include <cstdint>

#include "FieldRules.h"
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

namespace FieldRules {
inline constexpr Field kRampSettingsFields[] = {
    {.key = "ramp.pwm_rise",
     .reg = 80,
     .kind = Number,
     .decimals = 1,
     .entry = SaturateHigh,
     .unit = "s",
     .label = "PWM上升缓冲"},
    {.key = "ramp.pwm_fall",
     .reg = 81,
     .kind = Number,
     .decimals = 1,
     .entry = SaturateHigh,
     .unit = "s",
     .label = "PWM下降缓冲"},
    {.key = "ramp.acceleration",
     .reg = 82,
     .kind = Number,
     .decimals = 1,
     .scale = SpeedRange,
     .entry = SaturateHigh,
     .unit = "Hz/s",
     .label = "加速加速度"},
    {.key = "ramp.deceleration",
     .reg = 83,
     .kind = Number,
     .decimals = 1,
     .scale = SpeedRange,
     .entry = SaturateHigh,
     .unit = "Hz/s",
     .label = "减速加速度"},
};
}  // namespace FieldRules
