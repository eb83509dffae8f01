#pragma once
// Holding registers 176 to 179: the preset forward and reverse speeds with
// the speed mode that gives them their unit and the control mode.

#include <cstdint>

#include "FieldRules.h"
#include "RegisterLayout.h"

struct PresetSpeeds {
    static constexpr uint16_t kStart = 176;
    static constexpr uint16_t kCount = 4;

    uint16_t speedMode;     // 176, 0 duty, 1 torque, 2 speed loop, 3 position loop
    uint16_t controlMode;   // 177, 0 two contacts, 1 one contact
    uint16_t forwardSpeed;  // 178
    uint16_t reverseSpeed;  // 179
};
static_assert(RegisterLayout::Fits<PresetSpeeds>());

namespace FieldRules {
inline constexpr const char* kSpeedModeItems[] = {"占空比", "力矩", "速度闭环", "位置闭环"};
inline constexpr const char* kControlModeItems[] = {"双触点", "单触点"};

inline constexpr Field kPresetSpeedsFields[] = {
    {.key = "preset.speed_mode", .reg = 176, .kind = Choice, .items = kSpeedModeItems, .label = "调速方式"},
    {.key = "preset.control_mode", .reg = 177, .kind = Choice, .items = kControlModeItems, .label = "控制方式"},
    {.key = "preset.forward_speed", .reg = 178, .kind = Number, .scale = SpeedMode, .label = "正转速度"},
    {.key = "preset.reverse_speed", .reg = 179, .kind = Number, .scale = SpeedMode, .label = "反转速度"},
};
}  // namespace FieldRules
