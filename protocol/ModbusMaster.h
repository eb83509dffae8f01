#pragma once
// CModbusMaster: the link as this drive needs it: opening from the connection
// settings, result texts, register conversions, device identification, the
// SDO tunnel and one operation per register group.

#include <cstddef>
#include <cstdint>
#include <string>

#include "ModbusRtu.h"
#include "SdoRecord.h"
// GROUP-RECORD-INCLUDES (register-group records)

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

    // One expedited SDO exchange through the register tunnel. On 0 the
    // response is filled (its command tells success or abort); otherwise the
    // response is left untouched.
    ModbusResult SdoTransfer(uint8_t slave, uint8_t command, uint16_t index, uint8_t subindex, uint32_t data,
                             SdoRecord& response);

    // GROUP-OPERATIONS (register groups, one transaction each)
};
