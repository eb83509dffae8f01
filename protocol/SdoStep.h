#pragma once
// One SDO exchange with the drive: the link's result, and the drive's answer
// when the link worked. A step succeeds when the link worked and the drive
// did not abort.

#include <cstdint>

#include "ModbusResult.h"
#include "SdoRecord.h"

class CModbusMaster;

struct SdoStep {
    ModbusResult result = kResultOk;
    SdoRecord response;

    bool Ok() const { return result == kResultOk && !Sdo::IsAbort(response); }
    bool Aborted() const { return result == kResultOk && Sdo::IsAbort(response); }
    uint32_t Value() const { return response.data; }

    static SdoStep Run(CModbusMaster& master, uint8_t slave, uint8_t command, uint16_t index, uint8_t subindex,
                       uint32_t data);
    static SdoStep Read(CModbusMaster& master, uint8_t slave, uint16_t index, uint8_t subindex)
    {
        return Run(master, slave, Sdo::kUpload, index, subindex, 0);
    }
};
