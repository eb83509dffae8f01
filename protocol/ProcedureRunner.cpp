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

Report Follow(CModbusMaster& master, uint8_t slave, uint16_t procedure, const WaitForStop& waitForStop,
              const OnStep& onStep)
{
    Report report;
    ProcedureBlock& block = report.last;
    block.words[ProcedureBlock::kNumber] = procedure;
    block.words[ProcedureBlock::kRun] = 1;
    for (;;) {
        if (waitForStop(kPollPeriod)) {
            report.outcome = Outcome::Stopped;
            break;
        }
        block.words[ProcedureBlock::kPollExtra] = ProcedureBlock::kPollExtraWords;
        const ModbusResult r = master.ReadProcedureStatus(slave, block);
        if (r != kResultOk) {
            report.outcome = Outcome::PollFailed;
            report.result = r;
            break;
        }
        const uint16_t state = block.words[ProcedureBlock::kState];
        if (state == ProcedureBlock::kStateDone) {
            report.outcome = Outcome::Done;
            break;
        }
        if (state == ProcedureBlock::kStateFailed) {
            report.outcome = Outcome::Failed;
            break;
        }
        // The calibration reports its steps while running, whatever its run
        // word says; learning has no steps and ends when the word is cleared.
        if (procedure == ProcedureBlock::kFocCalibration && state == ProcedureBlock::kStateRunning) {
            if (onStep) onStep(block);
            continue;
        }
        if (block.words[ProcedureBlock::kRun] == 0) {
            report.outcome = Outcome::Aborted;
            break;
        }
    }

    // 224 and 225 to 0; 226 and 227 as last read.
    ProcedureBlock stop = block;
    stop.words[ProcedureBlock::kNumber] = 0;
    stop.words[ProcedureBlock::kRun] = 0;
    report.stopResult = master.WriteProcedureControl(slave, stop);
    return report;
}

}  // namespace ProcedureRunner
