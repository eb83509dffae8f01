#pragma once
// One SDO exchange with the drive as the CANopen windows see it: the link's
// result, and the drive's answer when the link worked. A step succeeds when
// the link worked and the drive did not abort.

#include <cstdint>

#include <QString>

#include "ModbusResult.h"
#include "SdoRecord.h"

class CModbusMaster;

struct SdoStep {
    ModbusResult result = kResultOk;
    SdoRecord response;

    bool Ok() const { return result == kResultOk && response.command != Sdo::kAbort; }
    bool Aborted() const { return result == kResultOk && response.command == Sdo::kAbort; }
    uint32_t Value() const { return response.data; }

    // Through the main window's master at its current device address: for
    // worker threads only, the UI thread never waits on the drive.
    static SdoStep Run(uint8_t command, uint16_t index, uint8_t subindex, uint32_t data);
    static SdoStep Read(uint16_t index, uint8_t subindex) { return Run(Sdo::kUpload, index, subindex, 0); }
    // With the master and address a link job is given (inside its `work`).
    static SdoStep Run(CModbusMaster& master, uint8_t slave, uint8_t command, uint16_t index, uint8_t subindex,
                       uint32_t data);
    static SdoStep Read(CModbusMaster& master, uint8_t slave, uint16_t index, uint8_t subindex)
    {
        return Run(master, slave, Sdo::kUpload, index, subindex, 0);
    }

    // The link's result in the user's words.
    static QString ResultMessage(ModbusResult result);
    // "对象字典中对象不存在 (0x06020000)" and the like, for an abort code.
    static QString AbortCodeText(uint32_t code);
};
