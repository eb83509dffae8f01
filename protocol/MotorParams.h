#pragma once
// Holding registers 96 to 123: the motor-parameter block, one unsigned word
// per register in register order.

#include <cstdint>

#include "FieldRules.h"
#include "RegisterLayout.h"

struct MotorParams {
    static constexpr uint16_t kStart = 96;
    static constexpr uint16_t kCount = 28;
    // The speed-range switch, also written alone before the block.
    static constexpr uint16_t kSpeedRangeRegister = 119;

    uint16_t pwmStartRamp;         // 96, 0.1 s
    uint16_t pwmStopRamp;          // 97, 0.1 s
    uint16_t maxAcceleration;      // 98, frequency unit per s
    uint16_t defaultAcceleration;  // 99
    uint16_t maxDeceleration;      // 100
    uint16_t defaultDeceleration;  // 101
    uint16_t maxFrequency;         // 102, frequency unit
    uint16_t defaultFrequency;     // 103
    uint16_t reserved104;          // 104, written as 0
    uint16_t reserved105;          // 105, written as 0
    uint16_t ratedCurrent;         // 106, 0.01 A
    uint16_t maxLoadCurrent;       // 107, 0.01 A
    uint16_t brakeCurrent;         // 108, 0.01 A
    uint16_t phaseSequence[3];     // 109..111, two bytes each, high byte first
    uint16_t speedAlgorithm;       // 112, 0..2
    uint16_t positionTolerance;    // 113, pulses
    uint16_t overshootCorrection;  // 114, bit 0
    uint16_t poleCount;            // 115
    uint16_t gearRatio;            // 116, 0.1
    uint16_t learningState;        // 117, bit 0: learned
    uint16_t learningDisabled;     // 118, bit 0
    uint16_t speedRangeX10;        // 119, bit 0: whole Hz instead of 0.1 Hz
    uint16_t holdCurrent;          // 120, 0.01 A
    uint16_t overloadMultiple;     // 121, 0.01
    uint16_t overloadDuration;     // 122, 0.1 s
    uint16_t detectInitialSpeed;   // 123, 0 clear
};
static_assert(RegisterLayout::Fits<MotorParams>());

namespace FieldRules {
inline constexpr const char* kSpeedAlgorithmItems[] = {"速度闭环控制", "时间-位置闭环", "时间-位置速率"};
inline constexpr const char* kLearningStateItems[] = {"未学习", "已学习"};

inline constexpr Field kMotorParamsFields[] = {
    {.key = "motor.pwm_start_ramp", .reg = 96, .kind = Number, .decimals = 1, .unit = "s", .label = "PWM调速启动缓冲"},
    {.key = "motor.pwm_stop_ramp", .reg = 97, .kind = Number, .decimals = 1, .unit = "s", .label = "PWM调速减速缓冲"},
    {.key = "motor.max_acceleration",
     .reg = 98,
     .kind = Number,
     .decimals = 1,
     .scale = SpeedRange,
     .entry = Clamp,
     .unit = "Hz/s",
     .label = "最大加速加速度"},
    {.key = "motor.default_acceleration",
     .reg = 99,
     .kind = Number,
     .decimals = 1,
     .scale = SpeedRange,
     .entry = Clamp,
     .unit = "Hz/s",
     .label = "默认加速加速度"},
    {.key = "motor.max_deceleration",
     .reg = 100,
     .kind = Number,
     .decimals = 1,
     .scale = SpeedRange,
     .entry = Clamp,
     .unit = "Hz/s",
     .label = "最大减速加速度"},
    {.key = "motor.default_deceleration",
     .reg = 101,
     .kind = Number,
     .decimals = 1,
     .scale = SpeedRange,
     .entry = Clamp,
     .unit = "Hz/s",
     .label = "默认减速加速度"},
    {.key = "motor.max_frequency",
     .reg = 102,
     .kind = Number,
     .decimals = 1,
     .scale = SpeedRange,
     .entry = Clamp,
     .unit = "Hz",
     .label = "最大换向频率"},
    {.key = "motor.default_frequency",
     .reg = 103,
     .kind = Number,
     .decimals = 1,
     .scale = SpeedRange,
     .entry = Clamp,
     .unit = "Hz",
     .label = "默认换向频率"},
    {.key = "motor.reserved_104", .reg = 104, .kind = ReservedZero, .label = "保留"},
    {.key = "motor.reserved_105", .reg = 105, .kind = ReservedZero, .label = "保留"},
    {.key = "motor.rated_current", .reg = 106, .kind = Number, .decimals = 2, .unit = "A", .label = "电机额定电流"},
    {.key = "motor.max_load_current", .reg = 107, .kind = Number, .decimals = 2, .unit = "A", .label = "最大负载电流"},
    {.key = "motor.brake_current", .reg = 108, .kind = Number, .decimals = 2, .unit = "A", .label = "制动补偿电流"},
    {.key = "motor.phase_sequence", .reg = 109, .kind = PhaseBytes, .registers = 3, .label = "电机相序数据"},
    {.key = "motor.speed_algorithm",
     .reg = 112,
     .kind = Choice,
     .items = kSpeedAlgorithmItems,
     .label = "稳速控制算法"},
    {.key = "motor.position_tolerance", .reg = 113, .kind = Number, .unit = "pulses", .label = "位置控制允许误差"},
    {.key = "motor.overshoot_correction", .reg = 114, .kind = CheckBit0, .label = "位置控制超调后进行校正"},
    {.key = "motor.pole_count", .reg = 115, .kind = Number, .label = "电机极个数"},
    {.key = "motor.gear_ratio", .reg = 116, .kind = Number, .decimals = 1, .label = "减速器减速比"},
    {.key = "motor.learning_state",
     .reg = 117,
     .kind = ChoiceBit0,
     .items = kLearningStateItems,
     .label = "电机学习状态"},
    {.key = "motor.learning_disabled", .reg = 118, .kind = CheckBit0, .label = "禁用电机学习功能"},
    {.key = "motor.speed_range_x10",
     .reg = MotorParams::kSpeedRangeRegister,
     .kind = CheckBit0,
     .label = "速度量程×10"},
    {.key = "motor.hold_current", .reg = 120, .kind = Number, .decimals = 2, .unit = "A", .label = "常态自锁电流"},
    {.key = "motor.overload_multiple", .reg = 121, .kind = Number, .decimals = 2, .label = "允许最大负载电流倍数"},
    {.key = "motor.overload_duration",
     .reg = 122,
     .kind = Number,
     .decimals = 1,
     .unit = "s",
     .label = "最大负载电流倍数输出时间"},
    {.key = "motor.detect_initial_speed", .reg = 123, .kind = CheckNonZero, .label = "启动时检测电机初始速度"},
};
}  // namespace FieldRules
