#include "RegisterGroup.h"

namespace RegisterGroup {

ModbusResult ReadWords(CModbusRtu& link, uint8_t slave, uint16_t start, uint16_t count, uint16_t* dest)
{
    if (count > kMaxReadWords) return kResultTooLong;
    uint8_t buffer[2 * kMaxReadWords];
    const uint16_t bytes = static_cast<uint16_t>(2 * count);
    uint16_t length = bytes;
    ModbusResult r = link.ReadHoldingRegisters(slave, start, count, buffer, &length);
    if (r != kResultOk) return r;
    if (length != bytes) return kResultBadResponse;
    CModbusMaster::SwapBytes16(buffer, bytes);
    std::memcpy(dest, buffer, bytes);
    return kResultOk;
}

}  // namespace RegisterGroup
