// Register groups of the motor pages: motor commands and ramps, the motor
// parameters, the PID gains and FOC settings, and the procedure block the
// drive runs its motor learning and FOC calibration through.

#include <cstring>

#include "ModbusMaster.h"
#include "RegisterGroup.h"

namespace {

constexpr uint16_t kStopModeRegister = 64;
constexpr uint16_t kPwmCommandRegister = 66;
constexpr uint16_t kFrequencyCommandRegister = 67;
constexpr uint16_t kPositionMoveStart = 68;

}  // namespace

ModbusResult CModbusMaster::WriteSpeedCommand(uint8_t slave, int16_t value, SpeedCommandKind kind)
{
    const uint16_t reg = kind == SpeedCommandKind::Pwm ? kPwmCommandRegister : kFrequencyCommandRegister;
    return WriteSingleRegister(slave, reg, static_cast<uint16_t>(value));
}

ModbusResult CModbusMaster::WriteStopMode(uint8_t slave, uint16_t mode)
{
    return WriteSingleRegister(slave, kStopModeRegister, mode);
}

ModbusResult CModbusMaster::WritePositionMove(uint8_t slave, uint16_t frequency, int32_t position, uint16_t type)
{
    const uint32_t bits = static_cast<uint32_t>(position);
    const uint16_t words[4] = {frequency, type, static_cast<uint16_t>(bits >> 16),
                               static_cast<uint16_t>(bits & 0xFFFF)};
    return WriteMultipleRegisters(slave, kPositionMoveStart, words, 4);
}

ModbusResult CModbusMaster::ReadRampSettings(uint8_t slave, RampSettings& ramps)
{
    return RegisterGroup::Read(*this, slave, ramps);
}

ModbusResult CModbusMaster::WriteRampSettings(uint8_t slave, const RampSettings& ramps)
{
    return RegisterGroup::Write(*this, slave, ramps);
}

ModbusResult CModbusMaster::ReadMotorParams(uint8_t slave, MotorParams& params)
{
    return RegisterGroup::Read(*this, slave, params);
}

ModbusResult CModbusMaster::WriteMotorParams(uint8_t slave, const MotorParams& params)
{
    return RegisterGroup::Write(*this, slave, params);
}

ModbusResult CModbusMaster::WriteSpeedRangeSwitch(uint8_t slave, uint16_t value)
{
    return WriteSingleRegister(slave, MotorParams::kSpeedRangeRegister, value);
}

ModbusResult CModbusMaster::WriteProcedureControl(uint8_t slave, const ProcedureBlock& block)
{
    return WriteMultipleRegisters(slave, ProcedureBlock::kStart, block.words, ProcedureBlock::kControlWords);
}

ModbusResult CModbusMaster::ReadProcedureStatus(uint8_t slave, ProcedureBlock& block)
{
    // Word 4 says how much of the block the poll wants; never beyond its end.
    const unsigned wanted = 5u + block.words[ProcedureBlock::kPollExtra];
    const uint16_t count = static_cast<uint16_t>(wanted < ProcedureBlock::kWords ? wanted : ProcedureBlock::kWords);
    uint16_t words[ProcedureBlock::kWords];
    ModbusResult r = RegisterGroup::ReadWords(*this, slave, ProcedureBlock::kStart, count, words);
    if (r == kResultOk) std::memcpy(block.words, words, 2u * count);
    return r;
}

ModbusResult CModbusMaster::ReadPidParams(uint8_t slave, PidParams& params)
{
    return RegisterGroup::Read(*this, slave, params);
}

ModbusResult CModbusMaster::WritePidParams(uint8_t slave, const PidParams& params)
{
    return RegisterGroup::Write(*this, slave, params);
}

ModbusResult CModbusMaster::ReadFocParams(uint8_t slave, FocParams& params)
{
    return RegisterGroup::Read(*this, slave, params);
}

ModbusResult CModbusMaster::WriteFocParams(uint8_t slave, const FocParams& params)
{
    return RegisterGroup::Write(*this, slave, params);
}
