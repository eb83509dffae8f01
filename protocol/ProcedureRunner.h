#pragma once
// The drive's built-in procedures (motor learning, FOC calibration) as the
// master follows them: the start, a status poll every 250 ms until the
// procedure ends, and always, at the end, the stop write that carries the
// state and word 3 as last read. zoric-cli follows a procedure in one call
// (Follow); the windows poll it step by step on the link (Poll, Judge, Stop),
// with the same rules.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

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

// The block the polls of `procedure` start from, and what the stop sends
// when no poll came back: its number and run word, the rest 0.
ProcedureBlock FirstBlock(uint16_t procedure);
// One status read of a started procedure into `block` (words 224 to 234);
// on a failure the block keeps what it had.
ModbusResult Poll(CModbusMaster& master, uint8_t slave, ProcedureBlock& block);
// What a status read says: no outcome while the procedure runs.
std::optional<Outcome> Judge(uint16_t procedure, const ProcedureBlock& block);
// A running calibration reports its step in word 5.
bool IsStep(uint16_t procedure, const ProcedureBlock& block);
// The stop write: 224 and 225 to 0, 226 and 227 as last read.
ModbusResult Stop(CModbusMaster& master, uint8_t slave, const ProcedureBlock& last);

// Polls a started procedure to its end, then sends the stop write.
Report Follow(CModbusMaster& master, uint8_t slave, uint16_t procedure, const WaitForStop& waitForStop,
              const OnStep& onStep = {});

}  // namespace ProcedureRunner
