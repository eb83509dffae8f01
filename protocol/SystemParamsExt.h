#pragma once
// Holding registers 150 to 155: the analog input correction y = k*x + b, the
// buzzer switch and the port input and control types.

#include <array>
#include <cstddef>
#include <cstdint>

#include "FieldRules.h"
#include "RegisterLayout.h"

struct SystemParamsExt {
    static constexpr uint16_t kStart = 150;
    static constexpr uint16_t kCount = 6;

    float analogFactor;        // 150-151, k
    uint16_t analogOffset;     // 152, b in thousandths, signed
    uint16_t buzzerDisabled;   // 153, bit 0
    uint16_t portInputType;    // 154
    uint16_t portControlType;  // 155

    static constexpr std::array<size_t, 1> WideOffsets() { return {offsetof(SystemParamsExt, analogFactor)}; }
};
static_assert(RegisterLayout::Fits<SystemParamsExt>());

namespace FieldRules {
inline constexpr const char* kPortInputItems[] = {"拨码开关指定", "电位器", "模拟信号", "脉冲信号", "内置程序指定"};
inline constexpr const char* kPortControlItems[] = {"拨码开关指定", "占空比调速",   "力矩控制", "速度闭环控制",
                                                    "位置闭环控制", "预设速度控制", "内置程序"};

inline constexpr Field kSystemParamsExtFields[] = {
    {.key = "system.analog_factor", .reg = 150, .kind = Float, .registers = 2, .label = "模拟信号调整系数"},
    {.key = "system.analog_offset", .reg = 152, .kind = SignedNumber, .decimals = 3, .label = "模拟信号调整偏移"},
    {.key = "system.buzzer_disabled", .reg = 153, .kind = CheckBit0, .label = "禁用蜂鸣器报警"},
    {.key = "system.port_input_type", .reg = 154, .kind = Choice, .items = kPortInputItems, .label = "端口输入类型"},
    {.key = "system.port_control_type",
     .reg = 155,
     .kind = Choice,
     .items = kPortControlItems,
     .label = "端口控制类型"},
};
}  // namespace FieldRules
