#include "ProcedureRunner.h"

#include "Language.h"

namespace ProcedureRunner {

const char* OutcomeText(uint16_t procedure, Outcome outcome)
{
    const bool learning = procedure == ProcedureBlock::kMotorLearning;
    switch (outcome) {
    case Outcome::Done:
        // After learning the Hall offset still has to be set (the calibration).
        return Localized(learning ? "相序学习成功，请配置好霍尔相位偏移角度后方可正常使用FOC功能" : "学习完成");
    case Outcome::Failed: return Localized("学习失败");
    case Outcome::Aborted: return Localized("学习异常终止");
    case Outcome::PollFailed:
    case Outcome::Stopped: break;
    }
    return nullptr;
}

ModbusResult Start(CModbusMaster& master, uint8_t slave, uint16_t procedure)
{
    ProcedureBlock block{};
    block.words[ProcedureBlock::kNumber] = procedure;
    block.words[ProcedureBlock::kRun] = 1;
    const ModbusResult r = master.WriteProcedureControl(slave, block);
    return r == kResultBusy ? kResultOk : r;
}

ProcedureBlock FirstBlock(uint16_t procedure)
{
    ProcedureBlock block{};
    block.words[ProcedureBlock::kNumber] = procedure;
    block.words[ProcedureBlock::kRun] = 1;
    return block;
}

ModbusResult Poll(CModbusMaster& master, uint8_t slave, ProcedureBlock& block)
{
    block.words[ProcedureBlock::kPollExtra] = ProcedureBlock::kPollExtraWords;
    return master.ReadProcedureStatus(slave, block);
}

std::optional<Outcome> Judge(uint16_t procedure, const ProcedureBlock& block)
{
    const uint16_t state = block.words[ProcedureBlock::kState];
    if (state == ProcedureBlock::kStateDone) return Outcome::Done;
    if (state == ProcedureBlock::kStateFailed) return Outcome::Failed;
    // The calibration reports its steps while running, whatever its run
    // word says; learning has no steps and ends when the word is cleared.
    if (IsStep(procedure, block)) return std::nullopt;
    if (block.words[ProcedureBlock::kRun] == 0) return Outcome::Aborted;
    return std::nullopt;
}

bool IsStep(uint16_t procedure, const ProcedureBlock& block)
{
    return procedure == ProcedureBlock::kFocCalibration &&
           block.words[ProcedureBlock::kState] == ProcedureBlock::kStateRunning;
}

ModbusResult Stop(CModbusMaster& master, uint8_t slave, const ProcedureBlock& last)
{
    ProcedureBlock stop = last;
    stop.words[ProcedureBlock::kNumber] = 0;
    stop.words[ProcedureBlock::kRun] = 0;
    return master.WriteProcedureControl(slave, stop);
}

Report Follow(CModbusMaster& master, uint8_t slave, uint16_t procedure, const WaitForStop& waitForStop,
              const OnStep& onStep)
{
    Report report;
    report.last = FirstBlock(procedure);
    for (;;) {
        if (waitForStop(kPollPeriod)) {
            report.outcome = Outcome::Stopped;
            break;
        }
        const ModbusResult r = Poll(master, slave, report.last);
        if (r != kResultOk) {
            report.outcome = Outcome::PollFailed;
            report.result = r;
            break;
        }
        if (const std::optional<Outcome> outcome = Judge(procedure, report.last)) {
            report.outcome = *outcome;
            break;
        }
        if (onStep && IsStep(procedure, report.last)) onStep(report.last);
    }
    report.stopResult = Stop(master, slave, report.last);
    return report;
}

}  // namespace ProcedureRunner
