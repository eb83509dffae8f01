#pragma once
// CModbusMaster: the link as this drive needs it: opening from the connection
// settings, result texts, register conversions, device identification, the
// SDO tunnel and one operation per register group.

#include <cstddef>
#include <cstdint>
#include <string>

#include "ModbusRtu.h"
// The records the operations below fill and send.
#include "CanParams.h"
#include "CommAddress.h"
#include "CommParams.h"
#include "DeviceInfo.h"
#include "FocParams.h"
#include "MotorParams.h"
#include "PdoCommRecord.h"
#include "PidParams.h"
#include "PresetSpeeds.h"
#include "ProcedureBlock.h"
#include "RampSettings.h"
#include "RealtimeStatus.h"
#include "ReciprocateParams.h"
#include "SafetyParams.h"
#include "SdoRecord.h"
#include "SystemParams.h"
#include "SystemParamsExt.h"

class CModbusMaster : public CModbusRtu {
public:
    static constexpr uint32_t kResponseTimeoutMs = 1000;
    static constexpr int kMaxIdentificationRequests = 64;

    CModbusMaster();
    ~CModbusMaster() override;

    // Parity index as the connection combo: 0 "n,2", 1 "o,1", 2 "e,1", else "n,1".
    static std::string ModeText(int baud, int parityIndex);
    bool OpenPort(uint32_t portNumber, int baud, int parityIndex);
    bool OpenPort(const std::string& portName, int baud, int parityIndex);

    static std::string ResultText(ModbusResult result);
    static std::string SdoAbortText(uint32_t abortCode);

    static void SwapBytes16(void* buffer, size_t length);
    static void SwapWords32(void* buffer, size_t length);

    // The identification objects as text, one "name:value" line per object
    // (lines joined by "\r\n"). `text` is assigned only on success.
    ModbusResult ReadDeviceIdentification(uint8_t slave, std::string& text);
    // Appends the objects of one object block (more-follows, next id, count,
    // objects) to `text`; an object running past the block ends the walk.
    static void AppendIdentificationObjects(const uint8_t* block, size_t length, std::string& text);

    // One expedited SDO exchange through the register tunnel. On 0 the
    // response is filled (its command tells success or abort); otherwise the
    // response is left untouched.
    ModbusResult SdoTransfer(uint8_t slave, uint8_t command, uint16_t index, uint8_t subindex, uint32_t data,
                             SdoRecord& response);

    // One operation per register group, one transaction each. Reads fill the
    // record only on success; a reply shorter than the group is a bad
    // response.

    // Communication page (ModbusMasterComm.cpp).
    ModbusResult ReadCommParams(uint8_t slave, CommParams& params);  // 0x0090..0x0095
    ModbusResult WriteCommParams(uint8_t slave, const CommParams& params);
    ModbusResult ReadCommAddress(uint8_t slave, CommAddress& address);  // 0x009C..0x009D
    ModbusResult WriteCommAddress(uint8_t slave, const CommAddress& address);
    ModbusResult ReadCanParams(uint8_t slave, CanParams& params);  // 0x0120..0x0129
    ModbusResult WriteCanParams(uint8_t slave, const CanParams& params);

    // Motor pages (ModbusMasterMotor.cpp).
    enum class SpeedCommandKind { Pwm = 0, Frequency = 1 };
    // Register 66 (PWM duty, 0.1 %) or 67 (commutation frequency).
    ModbusResult WriteSpeedCommand(uint8_t slave, int16_t value, SpeedCommandKind kind);
    // Register 64: 0 normal, 1 emergency, 2 free stop.
    ModbusResult WriteStopMode(uint8_t slave, uint16_t mode);
    // Registers 68..71: frequency, position type (0 absolute, 1 relative), target.
    ModbusResult WritePositionMove(uint8_t slave, uint16_t frequency, int32_t position, uint16_t type);
    ModbusResult ReadRampSettings(uint8_t slave, RampSettings& ramps);  // 80..83
    ModbusResult WriteRampSettings(uint8_t slave, const RampSettings& ramps);
    ModbusResult ReadMotorParams(uint8_t slave, MotorParams& params);  // 96..123
    ModbusResult WriteMotorParams(uint8_t slave, const MotorParams& params);
    // Register 119 alone.
    ModbusResult WriteSpeedRangeSwitch(uint8_t slave, uint16_t value);
    // Words 0..3 of the block to registers 224..227.
    ModbusResult WriteProcedureControl(uint8_t slave, const ProcedureBlock& block);
    // Reads 5 + word 4 registers (at most 16) from 224 into the block from
    // word 0; the block is left as it was on failure.
    ModbusResult ReadProcedureStatus(uint8_t slave, ProcedureBlock& block);
    ModbusResult ReadPidParams(uint8_t slave, PidParams& params);  // 186..203
    ModbusResult WritePidParams(uint8_t slave, const PidParams& params);
    ModbusResult ReadFocParams(uint8_t slave, FocParams& params);  // 768..779
    ModbusResult WriteFocParams(uint8_t slave, const FocParams& params);

    // Configuration pages: system, safety, reciprocating (ModbusMasterConfig.cpp).
    ModbusResult ReadSystemParams(uint8_t slave, SystemParams& params);  // 128..143
    ModbusResult WriteSystemParams(uint8_t slave, const SystemParams& params);
    ModbusResult ReadSystemParamsExt(uint8_t slave, SystemParamsExt& params);  // 150..155
    ModbusResult WriteSystemParamsExt(uint8_t slave, const SystemParamsExt& params);
    ModbusResult ReadSafetyParams(uint8_t slave, SafetyParams& params);  // 256..269
    ModbusResult WriteSafetyParams(uint8_t slave, const SafetyParams& params);
    ModbusResult ReadReciprocateParams(uint8_t slave, ReciprocateParams& params);  // 160..169
    ModbusResult WriteReciprocateParams(uint8_t slave, const ReciprocateParams& params);
    ModbusResult ReadPresetSpeeds(uint8_t slave, PresetSpeeds& speeds);  // 176..179
    ModbusResult WritePresetSpeeds(uint8_t slave, const PresetSpeeds& speeds);
    // The reciprocating test command register 170 (ReciprocateCommand values).
    ModbusResult WriteReciprocateCommand(uint8_t slave, uint16_t command);
    ModbusResult ReadReciprocateCommand(uint8_t slave, uint16_t& command);

    // Main window (ModbusMasterStatus.cpp).
    ModbusResult ReadDeviceInfo(uint8_t slave, DeviceInfo& info);            // 0..15
    ModbusResult ReadRealtimeStatus(uint8_t slave, RealtimeStatus& status);  // 32..58
    // Writing 1 here clears the drive's position counter.
    static constexpr uint16_t kPositionClearRegister = 0x700A;
    ModbusResult WritePositionClear(uint8_t slave);
};
