#pragma once
// Holding registers 256 to 269: the drive's protection limits and the
// calibration of its temperature and voltage measurements.

#include <cstdint>

#include "FieldRules.h"
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

namespace FieldRules {
inline constexpr Field kSafetyParamsFields[] = {
    {.key = "safety.over_temp_shutdown", .reg = 256, .kind = SignedNumber, .unit = "degC", .label = "过热关断"},
    {.key = "safety.over_temp_limit", .reg = 257, .kind = SignedNumber, .unit = "degC", .label = "过热限流"},
    {.key = "safety.over_voltage", .reg = 258, .kind = Number, .decimals = 1, .unit = "V", .label = "过压关断"},
    {.key = "safety.under_voltage", .reg = 259, .kind = Number, .decimals = 1, .unit = "V", .label = "欠压关断"},
    {.key = "safety.over_current", .reg = 260, .kind = Number, .decimals = 2, .unit = "A", .label = "过流关断"},
    {.key = "safety.hall_error_time",
     .reg = 261,
     .kind = Number,
     .entry = ScaledWrap,
     .unit = "ms",
     .label = "霍尔错误"},
    {.key = "safety.dynamic_current_pid", .reg = 262, .kind = CheckNonZero, .label = "电流环PID动态调节减小超调"},
    {.key = "safety.reserved_263", .reg = 263, .kind = ReservedZero, .label = "保留"},
    {.key = "safety.clear_over_temp",
     .reg = 264,
     .kind = CheckNonZero,
     .label = "当温度低于过热关断条件后清除过热报警"},
    {.key = "safety.reserved_265", .reg = 265, .kind = ReservedZero, .label = "保留"},
    {.key = "safety.temp_factor", .reg = 266, .kind = Number, .decimals = 4, .label = "温度校准系数"},
    {.key = "safety.temp_offset",
     .reg = 267,
     .kind = SignedNumber,
     .decimals = 1,
     .unit = "degC",
     .label = "温度校准偏移"},
    {.key = "safety.voltage_factor", .reg = 268, .kind = Number, .decimals = 4, .label = "电压校准系数"},
    {.key = "safety.voltage_offset",
     .reg = 269,
     .kind = SignedNumber,
     .decimals = 1,
     .unit = "V",
     .label = "电压校准偏移"},
};
}  // namespace FieldRules
