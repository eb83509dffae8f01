#include "SdoStep.h"

#include "ModbusMaster.h"

SdoStep SdoStep::Run(CModbusMaster& master, uint8_t slave, uint8_t command, uint16_t index, uint8_t subindex,
                     uint32_t data)
{
    SdoStep step;
    step.result = master.SdoTransfer(slave, command, index, subindex, data, step.response);
    return step;
}
