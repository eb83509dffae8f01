#pragma once
// Holding registers 160 to 169: homing and travel of the reciprocating
// operation between the limit switches SQ1 and SQ2, and the test command
// register 170 after them.

#include <array>
#include <cstddef>
#include <cstdint>

#include "FieldRules.h"
#include "RegisterLayout.h"

struct ReciprocateParams {
    static constexpr uint16_t kStart = 160;
    static constexpr uint16_t kCount = 10;

    uint16_t homingMode;        // 160, 0 none, 1 SQ2, 2 SQ1
    uint16_t fineHoming;        // 161, 0/1
    uint32_t totalTravel;       // 162-163, pulses, high word in 162
    uint16_t coarseSpeed;       // 164, Hz or 0.1 Hz by the speed range
    uint16_t fineSpeed;         // 165
    uint16_t speedAfterHoming;  // 166
    uint16_t deadBand;          // 167, 0.1 %
    uint16_t rehomeAfterLimit;  // 168, 0/1
    uint16_t homingTorque;      // 169, 0.01 A

    static constexpr std::array<size_t, 1> WideOffsets() { return {offsetof(ReciprocateParams, totalTravel)}; }
};
static_assert(RegisterLayout::Fits<ReciprocateParams>());

// The test command register and its values; the drive sets it back to 0
// when the commanded operation has ended.
namespace ReciprocateCommand {
constexpr uint16_t kRegister = 170;
constexpr uint16_t kIdle = 0;
constexpr uint16_t kCancel = 1;
constexpr uint16_t kHomeSq1 = 2;
constexpr uint16_t kHomeSq2 = 3;
constexpr uint16_t kMeasureTravel = 4;
}  // namespace ReciprocateCommand

namespace FieldRules {
inline constexpr const char* kHomingModeItems[] = {"不复位", "SQ2复位", "SQ1复位"};

inline constexpr Field kReciprocateParamsFields[] = {
    {.key = "reciprocate.homing_mode", .reg = 160, .kind = Choice, .items = kHomingModeItems, .label = "复位方式"},
    {.key = "reciprocate.fine_homing", .reg = 161, .kind = CheckNonZero, .label = "启用复位细调"},
    {.key = "reciprocate.total_travel",
     .reg = 162,
     .kind = Number,
     .registers = 2,
     .unit = "pulses",
     .label = "总行程"},
    {.key = "reciprocate.coarse_speed",
     .reg = 164,
     .kind = Number,
     .decimals = 1,
     .scale = SpeedRange,
     .unit = "Hz",
     .label = "复位粗调速度"},
    {.key = "reciprocate.fine_speed",
     .reg = 165,
     .kind = Number,
     .decimals = 1,
     .scale = SpeedRange,
     .unit = "Hz",
     .label = "复位细调速度"},
    {.key = "reciprocate.speed_after_homing",
     .reg = 166,
     .kind = Number,
     .decimals = 1,
     .scale = SpeedRange,
     .unit = "Hz",
     .label = "完成后速度"},
    {.key = "reciprocate.dead_band",
     .reg = 167,
     .kind = Number,
     .decimals = 1,
     .unit = "%",
     .label = "忽略变化量低于此值的输入信号"},
    {.key = "reciprocate.rehome_after_limit", .reg = 168, .kind = CheckNonZero, .label = "限位后重新复位"},
    {.key = "reciprocate.homing_torque", .reg = 169, .kind = Number, .decimals = 2, .unit = "A", .label = "复位时转矩"},
};
}  // namespace FieldRules
