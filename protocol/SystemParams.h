#pragma once
// Holding registers 128 to 143: the drive's input and signal configuration.
// Voltages are in millivolts; the pulse multiplier is a float (high word in
// register 140).

#include <array>
#include <cstddef>
#include <cstdint>

#include "FieldRules.h"
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

namespace FieldRules {
inline constexpr const char* kLimitPolarityItems[] = {"低电平/闭合", "高电平/断开", "下降沿/闭合瞬间",
                                                      "上升沿/断开瞬间", "禁用"};
inline constexpr const char* kDigitalPolarityItems[] = {"低电平/闭合", "高电平/断开", "下降沿/闭合瞬间",
                                                        "上升沿/断开瞬间"};
inline constexpr const char* kPotUsageItems[] = {"单电位器", "双电位器独立", "双电位器协同"};
inline constexpr const char* kPulseTypeItems[] = {"PWM", "频率", "脉冲(计数)"};
inline constexpr const char* kAnalogTypeItems[] = {"单端信号", "差分信号", "双单端独立", "双单端协同"};
inline constexpr const char* kLogicTypeItems[] = {"开关量", "0/3.3V", "0/5V", "0/12V或0/24V"};

inline constexpr Field kSystemParamsFields[] = {
    {.key = "system.limit_polarity", .reg = 128, .kind = Choice, .items = kLimitPolarityItems, .label = "限位触发极性"},
    {.key = "system.digital_polarity",
     .reg = 129,
     .kind = Choice,
     .items = kDigitalPolarityItems,
     .label = "数字信号极性"},
    {.key = "system.pot_usage", .reg = 130, .kind = Choice, .items = kPotUsageItems, .label = "电位器用法"},
    {.key = "system.pulse_type", .reg = 131, .kind = Choice, .items = kPulseTypeItems, .label = "脉冲信号类型"},
    {.key = "system.analog_type", .reg = 132, .kind = Choice, .items = kAnalogTypeItems, .label = "模拟信号类型"},
    {.key = "system.logic_type", .reg = 133, .kind = Choice, .items = kLogicTypeItems, .label = "逻辑电平类型"},
    {.key = "system.pot_low", .reg = 134, .kind = Number, .decimals = 3, .unit = "V", .label = "电位器电压下限"},
    {.key = "system.pot_high", .reg = 135, .kind = Number, .decimals = 3, .unit = "V", .label = "电位器电压上限"},
    {.key = "system.analog_low", .reg = 136, .kind = Number, .decimals = 3, .unit = "V", .label = "模拟信号范围下限"},
    {.key = "system.analog_high", .reg = 137, .kind = Number, .decimals = 3, .unit = "V", .label = "模拟信号范围上限"},
    {.key = "system.logic_threshold", .reg = 138, .kind = Number, .decimals = 3, .unit = "V", .label = "逻辑电平阈值"},
    {.key = "system.dead_zone", .reg = 139, .kind = Number, .decimals = 3, .unit = "V", .label = "电压比较死区"},
    {.key = "system.pulse_multiplier", .reg = 140, .kind = Float, .registers = 2, .label = "脉冲信号倍率"},
    {.key = "system.stall_stop_time", .reg = 142, .kind = Number, .decimals = 1, .unit = "s", .label = "堵转停机时间"},
    {.key = "system.reserved_143", .reg = 143, .kind = ReservedZero, .label = "保留"},
};
}  // namespace FieldRules
