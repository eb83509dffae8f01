#pragma once
// Holding registers 768 to 779: the field-oriented-control settings.

#include <cstdint>

#include "FieldRules.h"
#include "RegisterLayout.h"

struct FocParams {
    static constexpr uint16_t kStart = 768;
    static constexpr uint16_t kCount = 12;

    // Bits of modeBits.
    static constexpr uint16_t kModeOpenLoop = 1u << 0;
    static constexpr uint16_t kModeSpeedLoop = 1u << 1;
    static constexpr uint16_t kModePositionLoop = 1u << 2;

    uint16_t modeBits;            // 768
    uint16_t maxSpeed;            // 769, Hz
    uint16_t maxDeceleration;     // 770, Hz/s
    uint16_t reserved771;         // 771, not interpreted: written back as read
    uint16_t phaseOffset;         // 772, degrees, signed
    uint16_t phaseAdvance;        // 773, degrees, signed
    uint16_t fluxKp;              // 774
    uint16_t fluxKi;              // 775
    uint16_t fluxDisableCurrent;  // 776, 0.01 A, 0 = never disable flux regulation
    uint16_t squareWaveStart;     // 777, bit 0
    uint16_t selfLockAfterStop;   // 778, bit 0
    uint16_t reserved779;         // 779, not interpreted: written back as read
};
static_assert(RegisterLayout::Fits<FocParams>());

namespace FieldRules {
inline constexpr Field kFocParamsFields[] = {
    {.key = "foc.open_loop",
     .reg = 768,
     .kind = Flag,
     .mask = FocParams::kModeOpenLoop,
     .label = "FOC应用模式 开环/力矩控制"},
    {.key = "foc.speed_loop",
     .reg = 768,
     .kind = Flag,
     .mask = FocParams::kModeSpeedLoop,
     .label = "FOC应用模式 速度闭环"},
    {.key = "foc.position_loop",
     .reg = 768,
     .kind = Flag,
     .mask = FocParams::kModePositionLoop,
     .label = "FOC应用模式 位置闭环"},
    {.key = "foc.max_speed", .reg = 769, .kind = Number, .unit = "Hz", .label = "最大应用速度"},
    {.key = "foc.max_deceleration", .reg = 770, .kind = Number, .unit = "Hz/s", .label = "最大应用减速加速度"},
    {.key = "foc.reserved_771", .reg = 771, .kind = ReservedKept, .label = "保留寄存器771"},
    {.key = "foc.phase_offset", .reg = 772, .kind = SignedNumber, .unit = "deg", .label = "霍尔相位校正 相位偏移"},
    {.key = "foc.phase_advance", .reg = 773, .kind = SignedNumber, .unit = "deg", .label = "霍尔相位校正 相位超前"},
    {.key = "foc.flux_kp", .reg = 774, .kind = Number, .entry = FullScaleOutside, .label = "磁通量PI参数 Kp"},
    {.key = "foc.flux_ki", .reg = 775, .kind = Number, .label = "磁通量PI参数 Ki"},
    {.key = "foc.flux_disable_current",
     .reg = 776,
     .kind = Number,
     .decimals = 2,
     .unit = "A",
     .label = "减速时禁用磁通量调节的励磁电流分量"},
    {.key = "foc.square_wave_start", .reg = 777, .kind = CheckBit0, .label = "方波启动方式"},
    {.key = "foc.self_lock_after_stop", .reg = 778, .kind = CheckBit0, .label = "停转后自锁"},
    {.key = "foc.reserved_779", .reg = 779, .kind = ReservedKept, .label = "保留寄存器779"},
};
}  // namespace FieldRules
