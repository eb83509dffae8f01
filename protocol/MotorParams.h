#pragma once
// Holding registers 96 to 123: the motor-parameter block, one unsigned word
// per register in register order.

#include <cstdint>

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
