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

ModbusResult Judge(const uint8_t* a, size_t n, const uint8_t* req, size_t reqCount)
{
    if (n < 2 || reqCount < 2 || a[0] != req[0] || (a[1] & 0x7F) != req[1]) return kResultBadResponse;
    if (a[1] & 0x80) return n == 3 && a[2] != 0 ? a[2] : kResultBadResponse;
    switch (req[1]) {
    case 0x03: {
        if (reqCount < 6 || n < 3) return kResultBadResponse;
        const size_t asked = 2u * static_cast<size_t>(req[4] << 8 | req[5]);
        return a[2] == asked && n == 3 + asked ? kResultOk : kResultBadResponse;
    }
    case 0x06:
    case 0x10: return reqCount >= 6 && n == 6 && std::equal(a + 2, a + 6, req + 2) ? kResultOk : kResultBadResponse;
    case 0x2B:
        // MEI type and read code as asked, and the conformity level.
        return reqCount >= 4 && n >= 5 && a[2] == req[2] && a[3] == req[3] ? kResultOk : kResultBadResponse;
    default: return kResultOk;
    }
}

size_t StaleAnswerLength(const uint8_t* buf, size_t count, const uint8_t* request, size_t requestCount)
{
    if (count < 4 || requestCount < 4 || buf[0] != request[0] || buf[1] != request[1]) return 0;
    const size_t length = ExpectedLength(buf, count);
    if (length < 4 || length > count || !CheckFrame(request[0], buf, length)) return 0;
    return Judge(buf, length - 2, request, requestCount - 2) == kResultBadResponse ? length : 0;
}

size_t ReadDataLength(const uint8_t* buf, size_t count) { return count >= 5 ? std::min<size_t>(buf[2], count - 5) : 0; }

}  // namespace RtuFrame
