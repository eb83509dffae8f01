#pragma once
// Holding registers 32 to 58: the drive's live state, polled every 100 ms
// while "auto update" is ticked. 32-bit values come high word first.

#include <array>
#include <cstddef>
#include <cstdint>

#include "RegisterLayout.h"

#pragma pack(push, 2)
struct RealtimeStatus {
    static constexpr uint16_t kStart = 32;
    static constexpr uint16_t kCount = 27;

    int16_t outputPwm;             // 32, 0.1 %
    uint16_t phaseCurrent;         // 33, 0.01 A
    int16_t commutationFrequency;  // 34, 0.1 Hz, or 1 Hz when 53 or 54 is set
    uint16_t completionFlag;       // 35, nonzero: the move counts as done
    int32_t position;              // 36..37, pulses
    uint32_t completionTime;       // 38..39, 0.001 s
    int16_t in1Voltage;            // 40, 0.001 V
    int16_t in2Voltage;            // 41, 0.001 V
    int16_t in3Voltage;            // 42, 0.001 V
    int16_t differentialVoltage;   // 43, 0.001 V
    uint16_t sq1Level;             // 44, nonzero high
    uint16_t sq2Level;             // 45, nonzero high
    uint16_t inputPwm;             // 46, 0.1 %
    int16_t inputFrequency;        // 47, Hz
    int32_t inputPulses;           // 48..49, pulses
    uint16_t reserved50;           // 50
    uint16_t errorState;           // 51, see ErrorStateText
    uint16_t motorSpeed;           // 52, RPM (x10 when 53 is set); 0xFFFF no value
    uint16_t speedDisplayX10;      // 53
    uint16_t speedRangeX10;        // 54
    int16_t temperature;           // 55, 0.1 degC
    uint16_t supplyVoltage;        // 56, 0.1 V
    uint16_t reserved57;           // 57
    uint16_t supplyCurrent;        // 58, 0.01 A

    static constexpr std::array<size_t, 3> WideOffsets()
    {
        return {offsetof(RealtimeStatus, position), offsetof(RealtimeStatus, completionTime),
                offsetof(RealtimeStatus, inputPulses)};
    }
};
#pragma pack(pop)
static_assert(RegisterLayout::Fits<RealtimeStatus>());
