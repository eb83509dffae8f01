// Register groups of the configuration pages: system parameters (two blocks),
// safety limits, reciprocating motion and the preset speeds, and the test
// command register of the reciprocating operation.

#include <cstddef>

#include "ModbusMaster.h"
#include "RegisterGroup.h"

namespace {

constexpr uint16_t kSystemParamsStart = 128;
constexpr uint16_t kSystemParamsExtStart = 150;
constexpr uint16_t kReciprocateParamsStart = 160;
constexpr uint16_t kReciprocateCommandRegister = 170;
constexpr uint16_t kPresetSpeedsStart = 176;
constexpr uint16_t kSafetyParamsStart = 256;

}  // namespace

ModbusResult CModbusMaster::ReadSystemParams(uint8_t slave, SystemParams& params)
{
    return RegisterGroup::Read(*this, slave, kSystemParamsStart, params, {offsetof(SystemParams, pulseMultiplier)});
}

ModbusResult CModbusMaster::WriteSystemParams(uint8_t slave, const SystemParams& params)
{
    return RegisterGroup::Write(*this, slave, kSystemParamsStart, params, {offsetof(SystemParams, pulseMultiplier)});
}

ModbusResult CModbusMaster::ReadSystemParamsExt(uint8_t slave, SystemParamsExt& params)
{
    return RegisterGroup::Read(*this, slave, kSystemParamsExtStart, params, {offsetof(SystemParamsExt, analogFactor)});
}

ModbusResult CModbusMaster::WriteSystemParamsExt(uint8_t slave, const SystemParamsExt& params)
{
    return RegisterGroup::Write(*this, slave, kSystemParamsExtStart, params, {offsetof(SystemParamsExt, analogFactor)});
}

ModbusResult CModbusMaster::ReadSafetyParams(uint8_t slave, SafetyParams& params)
{
    return RegisterGroup::Read(*this, slave, kSafetyParamsStart, params);
}

ModbusResult CModbusMaster::WriteSafetyParams(uint8_t slave, const SafetyParams& params)
{
    return RegisterGroup::Write(*this, slave, kSafetyParamsStart, params);
}

ModbusResult CModbusMaster::ReadReciprocateParams(uint8_t slave, ReciprocateParams& params)
{
    return RegisterGroup::Read(*this, slave, kReciprocateParamsStart, params, {offsetof(ReciprocateParams, totalTravel)});
}

ModbusResult CModbusMaster::WriteReciprocateParams(uint8_t slave, const ReciprocateParams& params)
{
    return RegisterGroup::Write(*this, slave, kReciprocateParamsStart, params, {offsetof(ReciprocateParams, totalTravel)});
}

ModbusResult CModbusMaster::ReadPresetSpeeds(uint8_t slave, PresetSpeeds& speeds)
{
    return RegisterGroup::Read(*this, slave, kPresetSpeedsStart, speeds);
}

ModbusResult CModbusMaster::WritePresetSpeeds(uint8_t slave, const PresetSpeeds& speeds)
{
    return RegisterGroup::Write(*this, slave, kPresetSpeedsStart, speeds);
}

ModbusResult CModbusMaster::WriteReciprocateCommand(uint8_t slave, uint16_t command)
{
    return WriteSingleRegister(slave, kReciprocateCommandRegister, command);
}

ModbusResult CModbusMaster::ReadReciprocateCommand(uint8_t slave, uint16_t& command)
{
    return RegisterGroup::ReadWords(*this, slave, kReciprocateCommandRegister, 1, &command);
}
