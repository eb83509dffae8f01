#pragma once
// Holding registers 224 to 239, through which the drive runs its built-in
// procedures: motor learning (procedure 0) and the FOC phase calibration
// (procedure 1). The tool writes words 0..3 to start or stop one and polls
// words 0..(4 + word 4) to follow it.

#include <cstdint>

struct ProcedureBlock {
    static constexpr uint16_t kStart = 224;
    static constexpr uint16_t kWords = 16;
    static constexpr uint16_t kControlWords = 4;  // what a start or stop writes

    // Word indices.
    static constexpr int kNumber = 0;     // 224: procedure number
    static constexpr int kRun = 1;        // 225: 1 runs, 0 stops / stopped
    static constexpr int kState = 2;      // 226: procedure state
    static constexpr int kAux = 3;        // 227
    static constexpr int kPollExtra = 4;  // 228: a poll reads 5 + this many words
    static constexpr int kResult = 5;     // 229..: results of the procedure

    // Procedure numbers and states.
    static constexpr uint16_t kMotorLearning = 0;
    static constexpr uint16_t kFocCalibration = 1;
    static constexpr uint16_t kStateRunning = 1;
    static constexpr uint16_t kStateDone = 3;
    static constexpr uint16_t kStateFailed = 4;
    // A poll of 224..234: the state and the six result words.
    static constexpr uint16_t kPollExtraWords = 6;

    uint16_t words[kWords];
};
static_assert(sizeof(ProcedureBlock) == 2 * ProcedureBlock::kWords, "ProcedureBlock mirrors 16 registers");
