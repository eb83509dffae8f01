#include "RtuFrame.h"

#include <algorithm>

#include "Crc.h"

namespace RtuFrame {

size_t ExpectedLength(const uint8_t* buf, size_t count)
{
    if (count < 2) return 2;
    uint8_t fn = buf[1];
    if (fn == 0x03) return 5 + (count >= 3 ? buf[2] : 0);
    if (fn == 0x06 || fn == 0x10) return 8;
    if (fn & 0x80) return 5;
    return 3;
}

bool IsComplete(const uint8_t* buf, size_t count, uint8_t slave)
{
    return count >= 2 && count >= ExpectedLength(buf, count) && CheckFrame(slave, buf, count);
}

ModbusResult Check(const uint8_t* buf, size_t count, uint8_t slave, uint8_t function)
{
    if (!CheckFrame(slave, buf, count) || buf[0] != slave || (buf[1] & 0x7F) != function) return kResultBadResponse;
    if (buf[1] & 0x80) return buf[2];
    // Fixed-length answers must really carry their fields.
    if ((function == 0x06 || function == 0x10) && count < 8) return kResultBadResponse;
    return kResultOk;
}

size_t ReadDataLength(const uint8_t* buf, size_t count)
{
    return count >= 5 ? std::min<size_t>(buf[2], count - 5) : 0;
}

}  // namespace RtuFrame
