// Any bytes arriving as a response: recognition, judgement and the data the
// master would copy out must stay inside the buffer and agree with each other.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "Crc.h"
#include "RtuFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    const uint8_t function = data[0];  // the request this answers
    const uint8_t* frame = data + 1;
    size_t count = size - 1 > 256 ? 256 : size - 1;  // the receive buffer holds 256
    uint8_t buf[256];
    std::memcpy(buf, frame, count);

    for (uint8_t slave : {uint8_t{0}, uint8_t{1}, buf[0]}) {
        // Recognition byte by byte, as the bytes trickle in.
        for (size_t n = 0; n <= count; ++n) {
            size_t expected = RtuFrame::ExpectedLength(buf, n);
            if (expected < 2 || expected > 260) abort();
            if (RtuFrame::IsComplete(buf, n, slave) && !CheckFrame(slave, buf, n)) abort();
        }
        ModbusResult r = RtuFrame::Check(buf, count, slave, function);
        if (r == kResultOk) {
            if (!CheckFrame(slave, buf, count)) abort();
            if (function == 0x03) {
                size_t len = RtuFrame::ReadDataLength(buf, count);
                if (len + 5 > count) abort();
                volatile uint8_t sink = 0;
                for (size_t i = 0; i < len; ++i) sink = sink ^ buf[3 + i];
                (void)sink;
            }
        } else if (r != kResultBadResponse && (buf[1] & 0x80) == 0) {
            abort();  // an exception code only from an exception frame
        }
    }
    return 0;
}
