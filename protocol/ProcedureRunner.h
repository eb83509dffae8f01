#pragma once
// The drive's built-in procedures (motor learning, FOC calibration) as the
// master follows them: the start, a status poll every 250 ms until the
// procedure ends, and always, at the end, the stop write that carries the
// state and word 3 as last read. The windows and zoric-cli both use this.

#include <chrono>
#include <cstdint>
#include <functional>

#include "ModbusMaster.h"
#include "ProcedureBlock.h"

namespace ProcedureRunner {

constexpr std::chrono::milliseconds kPollPeriod{250};

enum class Outcome {
    Done,        // state 3: the results are in the last block
    Failed,      // state 4
    Aborted,     // the drive cleared its run word
    PollFailed,  // a status read failed (result says how)
    Stopped,     // the caller asked for the stop
};

struct Report {
    Outcome outcome = Outcome::Stopped;
    ModbusResult result = kResultOk;      // the failed poll's result
    ModbusResult stopResult = kResultOk;  // the stop write's
    ProcedureBlock last{};                // the last status read
};

// Waits one poll period; true when the procedure is to be stopped now.
using WaitForStop = std::function<bool(std::chrono::milliseconds)>;
// Each status read that leaves the calibration running, its step in word 5.
using OnStep = std::function<void(const ProcedureBlock&)>;

// The start write. The drive's "busy" means it has the procedure in hand
// already, which counts as started.
ModbusResult Start(CModbusMaster& master, uint8_t slave, uint16_t procedure);

// What the windows and zoric-cli say at a procedure's end, in the current
// language; nullptr where the outcome has no words of its own (a failed
// poll says its result, a stop says nothing).
const char* OutcomeText(uint16_t procedure, Outcome outcome);

// Polls a started procedure to its end, then sends the stop write.
Report Follow(CModbusMaster& master, uint8_t slave, uint16_t procedure, const WaitForStop& waitForStop,
              const OnStep& onStep = {});

}  // namespace ProcedureRunner
