// Register groups of the configuration pages: system parameters (two blocks),
// safety limits, reciprocating motion and the preset speeds, and the test
// command register of the reciprocating operation.

#include "ModbusMaster.h"
#include "RegisterGroup.h"

ModbusResult CModbusMaster::ReadSystemParams(uint8_t slave, SystemParams& params)
{
    return RegisterGroup::Read(*this, slave, params);
}

ModbusResult CModbusMaster::WriteSystemParams(uint8_t slave, const SystemParams& params)
{
    return RegisterGroup::Write(*this, slave, params);
}

ModbusResult CModbusMaster::ReadSystemParamsExt(uint8_t slave, SystemParamsExt& params)
{
    return RegisterGroup::Read(*this, slave, params);
}

ModbusResult CModbusMaster::WriteSystemParamsExt(uint8_t slave, const SystemParamsExt& params)
{
    return RegisterGroup::Write(*this, slave, params);
}

ModbusResult CModbusMaster::ReadSafetyParams(uint8_t slave, SafetyParams& params)
{
    return RegisterGroup::Read(*this, slave, params);
}

ModbusResult CModbusMaster::WriteSafetyParams(uint8_t slave, const SafetyParams& params)
{
    return RegisterGroup::Write(*this, slave, params);
}

ModbusResult CModbusMaster::ReadReciprocateParams(uint8_t slave, ReciprocateParams& params)
{
    return RegisterGroup::Read(*this, slave, params);
}

ModbusResult CModbusMaster::WriteReciprocateParams(uint8_t slave, const ReciprocateParams& params)
{
    return RegisterGroup::Write(*this, slave, params);
}

ModbusResult CModbusMaster::ReadPresetSpeeds(uint8_t slave, PresetSpeeds& speeds)
{
    return RegisterGroup::Read(*this, slave, speeds);
}

ModbusResult CModbusMaster::WritePresetSpeeds(uint8_t slave, const PresetSpeeds& speeds)
{
    return RegisterGroup::Write(*this, slave, speeds);
}

ModbusResult CModbusMaster::WriteReciprocateCommand(uint8_t slave, uint16_t command)
{
    return WriteSingleRegister(slave, ReciprocateCommand::kRegister, command);
}

ModbusResult CModbusMaster::ReadReciprocateCommand(uint8_t slave, uint16_t& command)
{
    return RegisterGroup::ReadWords(*this, slave, ReciprocateCommand::kRegister, 1, &command);
}
