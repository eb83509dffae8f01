// Register groups of the configuration pages: system parameters (two blocks),
// safety limits, reciprocating motion and the preset speeds, and the test
// command register of the reciprocating operation.

#include <cstddef>
#include <cstring>
#include <initializer_list>

#include "ModbusMaster.h"

namespace {

constexpr uint16_t kSystemParamsStart = 128;
constexpr uint16_t kSystemParamsExtStart = 150;
constexpr uint16_t kReciprocateParamsStart = 160;
constexpr uint16_t kReciprocateCommandRegister = 170;
constexpr uint16_t kPresetSpeedsStart = 176;
constexpr uint16_t kSafetyParamsStart = 256;

// Reads `sizeof(Record) / 2` registers into `record` in host order; the
// 32-bit fields at `wideOffsets` (byte offsets) are joined high word first.
// A reply carrying fewer registers than asked for is refused rather than
// filling the record with zeros that a later write would send back.
template <typename Record>
ModbusResult ReadGroup(CModbusMaster& master, uint8_t slave, uint16_t start, Record& record,
                       std::initializer_list<size_t> wideOffsets = {})
{
    constexpr uint16_t kBytes = sizeof(Record);
    uint8_t buffer[kBytes];
    uint16_t length = kBytes;
    ModbusResult r = master.ReadHoldingRegisters(slave, start, kBytes / 2, buffer, &length);
    if (r != kResultOk) return r;
    if (length != kBytes) return kResultBadResponse;
    CModbusMaster::SwapBytes16(buffer, kBytes);
    for (size_t offset : wideOffsets) CModbusMaster::SwapWords32(buffer + offset, 4);
    std::memcpy(&record, buffer, kBytes);
    return kResultOk;
}

template <typename Record>
ModbusResult WriteGroup(CModbusMaster& master, uint8_t slave, uint16_t start, const Record& record,
                        std::initializer_list<size_t> wideOffsets = {})
{
    constexpr uint16_t kCount = sizeof(Record) / 2;
    uint16_t words[kCount];
    std::memcpy(words, &record, sizeof words);
    for (size_t offset : wideOffsets) CModbusMaster::SwapWords32(reinterpret_cast<uint8_t*>(words) + offset, 4);
    return master.WriteMultipleRegisters(slave, start, words, kCount);
}

}  // namespace

ModbusResult CModbusMaster::ReadSystemParams(uint8_t slave, SystemParams& params)
{
    return ReadGroup(*this, slave, kSystemParamsStart, params, {offsetof(SystemParams, pulseMultiplier)});
}

ModbusResult CModbusMaster::WriteSystemParams(uint8_t slave, const SystemParams& params)
{
    return WriteGroup(*this, slave, kSystemParamsStart, params, {offsetof(SystemParams, pulseMultiplier)});
}

ModbusResult CModbusMaster::ReadSystemParamsExt(uint8_t slave, SystemParamsExt& params)
{
    return ReadGroup(*this, slave, kSystemParamsExtStart, params, {offsetof(SystemParamsExt, analogFactor)});
}

ModbusResult CModbusMaster::WriteSystemParamsExt(uint8_t slave, const SystemParamsExt& params)
{
    return WriteGroup(*this, slave, kSystemParamsExtStart, params, {offsetof(SystemParamsExt, analogFactor)});
}

ModbusResult CModbusMaster::ReadSafetyParams(uint8_t slave, SafetyParams& params)
{
    return ReadGroup(*this, slave, kSafetyParamsStart, params);
}

ModbusResult CModbusMaster::WriteSafetyParams(uint8_t slave, const SafetyParams& params)
{
    return WriteGroup(*this, slave, kSafetyParamsStart, params);
}

ModbusResult CModbusMaster::ReadReciprocateParams(uint8_t slave, ReciprocateParams& params)
{
    return ReadGroup(*this, slave, kReciprocateParamsStart, params, {offsetof(ReciprocateParams, totalTravel)});
}

ModbusResult CModbusMaster::WriteReciprocateParams(uint8_t slave, const ReciprocateParams& params)
{
    return WriteGroup(*this, slave, kReciprocateParamsStart, params, {offsetof(ReciprocateParams, totalTravel)});
}

ModbusResult CModbusMaster::ReadPresetSpeeds(uint8_t slave, PresetSpeeds& speeds)
{
    return ReadGroup(*this, slave, kPresetSpeedsStart, speeds);
}

ModbusResult CModbusMaster::WritePresetSpeeds(uint8_t slave, const PresetSpeeds& speeds)
{
    return WriteGroup(*this, slave, kPresetSpeedsStart, speeds);
}

ModbusResult CModbusMaster::WriteReciprocateCommand(uint8_t slave, uint16_t command)
{
    return WriteSingleRegister(slave, kReciprocateCommandRegister, command);
}

ModbusResult CModbusMaster::ReadReciprocateCommand(uint8_t slave, uint16_t& command)
{
    uint8_t buffer[2];
    uint16_t length = sizeof buffer;
    ModbusResult r = ReadHoldingRegisters(slave, kReciprocateCommandRegister, 1, buffer, &length);
    if (r != kResultOk) return r;
    if (length != sizeof buffer) return kResultBadResponse;
    command = static_cast<uint16_t>(buffer[0] << 8 | buffer[1]);
    return kResultOk;
}
